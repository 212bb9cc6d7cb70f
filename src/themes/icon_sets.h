#pragma once
// The three icon sets of the desktop interface: names, numbers and the images loaded under
// them. Kept free of the GUI toolkit so that the theme loader and its tests need no display.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace pictorb {

// A decoded picture: row-major 0xAARRGGBB pixels with straight (not premultiplied) alpha.
struct IconImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
    bool Empty() const { return width <= 0 || height <= 0; }
};

enum class IconSetKind { Control, Menu, Toolbar };
inline constexpr std::array<IconSetKind, 3> kIconSetKinds = {
    IconSetKind::Control, IconSetKind::Menu, IconSetKind::Toolbar};

// One set: icon name (case-sensitive) -> the number its image is loaded under, and the image.
struct IconSet {
    std::map<std::string, int32_t> numbers;
    std::map<int32_t, IconImage> images;
    // The image of `name`; an empty image for a name the set does not hold.
    const IconImage& Image(std::string_view name) const;
    IconImage* MutableImage(std::string_view name);
};

struct IconSets {
    IconSet control;  // "Convert", "InFiles", "InFolder"
    IconSet menu;
    IconSet toolbar;
    IconSet& Of(IconSetKind kind);
    const IconSet& Of(IconSetKind kind) const;
};

// Fills the names and numbers of the three sets (control 2..4, menu 5..28, toolbar 29..52);
// the images stay empty until the built-in images or a theme are loaded.
void FillIconNames(IconSets& sets);
// The icon names of a set in the order of their numbers.
const std::vector<std::string>& IconNames(IconSetKind kind);

// Icon size in pixels by size index: 0 -> 16, 1 -> 24, 2 -> 32, 3 -> 48, 4 -> 64, else 16.
int32_t IconPixelSize(int32_t sizeIndex);
// The size index a set is loaded at: "UI Size" for the toolbar set, 0 for the others.
int32_t IconSizeIndex(IconSetKind kind, int32_t uiSize);

}  // namespace pictorb
