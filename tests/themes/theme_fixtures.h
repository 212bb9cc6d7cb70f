#pragma once
// Theme archives and PNG images made in code for the theme tests and the fuzz seeds.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pictorb::themetest {

// A PNG of one colour (0xAARRGGBB), 8-bit RGBA.
std::string SolidPng(uint32_t width, uint32_t height, uint32_t argb);
// A PNG of a circle of `argb` on a transparent ground, like an icon.
std::string IconPng(uint32_t size, uint32_t argb);
// A PNG whose header claims `width` x `height` and whose image data are a few bytes only.
std::string PngClaiming(uint32_t width, uint32_t height);

struct ZipEntry {
    std::string name;
    std::string data;
};
// A zip archive of the entries, in their order, deflated, made with libarchive's writer.
std::string MakeZip(const std::vector<ZipEntry>& entries);
// Rewrites the unpacked size the archive declares for `name` (central directory and local
// header); false when there is no such entry.
bool SetDeclaredSize(std::string& zip, std::string_view name, uint32_t size);

// A theme like the shipped ones: a stem per icon name with an image at each toolbar size (16 to
// 64), and a 100 x 100 Convert button named in full.
std::vector<ZipEntry> CompleteTheme(std::string_view name, uint32_t argb);

// theme.cfg text: [Theme] Name, then [Buttons] and [Icons] with `key=value` lines, CR LF.
using Keys = std::vector<std::pair<std::string, std::string>>;
std::string ThemeConfig(std::string_view name, const Keys& buttons, const Keys& icons);

}  // namespace pictorb::themetest
