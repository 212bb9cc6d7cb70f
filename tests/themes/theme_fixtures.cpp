#include "themes/theme_fixtures.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <cstring>
#include <memory>

#include "themes/icon_sets.h"

namespace pictorb::themetest {
namespace {

void AppendBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

void AppendChunk(std::string& out, std::string_view type, std::string_view data) {
    AppendBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type) + std::string(data);
    out += body;
    AppendBigEndian(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                     static_cast<uInt>(body.size()))));
}

std::string Png(uint32_t width, uint32_t height, std::string_view rawRows) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    AppendBigEndian(header, width);
    AppendBigEndian(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, deflate, no interlace
    AppendChunk(png, "IHDR", header);
    uLongf packedSize = compressBound(rawRows.size());
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
              reinterpret_cast<const Bytef*>(rawRows.data()), rawRows.size(), 6);
    packed.resize(packedSize);
    AppendChunk(png, "IDAT", packed);
    AppendChunk(png, "IEND", "");
    return png;
}

uint32_t ReadLittle32(const std::string& bytes, std::size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

uint16_t ReadLittle16(const std::string& bytes, std::size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                                 static_cast<uint8_t>(bytes[at + 1]) << 8);
}

void WriteLittle32(std::string& bytes, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

la_ssize_t AppendToString(archive*, void* target, const void* buffer, size_t length) {
    static_cast<std::string*>(target)->append(static_cast<const char*>(buffer), length);
    return static_cast<la_ssize_t>(length);
}

struct WriterCloser {
    void operator()(archive* handle) const { archive_write_free(handle); }
};
struct EntryFreer {
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};

}  // namespace

std::string SolidPng(uint32_t width, uint32_t height, uint32_t argb) {
    const char pixel[4] = {static_cast<char>(argb >> 16), static_cast<char>(argb >> 8),
                           static_cast<char>(argb), static_cast<char>(argb >> 24)};
    std::string row(1, '\0');  // filter type 0
    for (uint32_t x = 0; x < width; ++x) row.append(pixel, 4);
    std::string rows;
    for (uint32_t y = 0; y < height; ++y) rows += row;
    return Png(width, height, rows);
}

std::string IconPng(uint32_t size, uint32_t argb) {
    std::string rows;
    const double centre = (size - 1) / 2.0;
    for (uint32_t y = 0; y < size; ++y) {
        rows.push_back('\0');
        for (uint32_t x = 0; x < size; ++x) {
            const double dx = x - centre, dy = y - centre;
            const bool inside = dx * dx + dy * dy <= centre * centre;
            const uint32_t pixel = inside ? argb : 0;
            rows += {static_cast<char>(pixel >> 16), static_cast<char>(pixel >> 8),
                     static_cast<char>(pixel), static_cast<char>(pixel >> 24)};
        }
    }
    return Png(size, size, rows);
}

std::string PngClaiming(uint32_t width, uint32_t height) {
    return Png(width, height, std::string(64, '\0'));
}

std::string MakeZip(const std::vector<ZipEntry>& entries) {
    std::string zip;
    std::unique_ptr<archive, WriterCloser> writer(archive_write_new());
    archive_write_set_format_zip(writer.get());
    archive_write_set_bytes_in_last_block(writer.get(), 1);  // no padding after the archive
    archive_write_open2(writer.get(), &zip, nullptr, AppendToString, nullptr, nullptr);
    for (const ZipEntry& file : entries) {
        std::unique_ptr<archive_entry, EntryFreer> entry(archive_entry_new());
        archive_entry_set_pathname(entry.get(), file.name.c_str());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_size(entry.get(), static_cast<la_int64_t>(file.data.size()));
        archive_write_header(writer.get(), entry.get());
        archive_write_data(writer.get(), file.data.data(), file.data.size());
    }
    archive_write_close(writer.get());
    return zip;
}

bool SetDeclaredSize(std::string& zip, std::string_view name, uint32_t size) {
    bool found = false;
    // Central directory records: signature PK\1\2, size at 24, name length at 28, name at 46.
    for (std::size_t at = zip.find("PK\x01\x02"); at != std::string::npos && at + 46 <= zip.size();
         at = zip.find("PK\x01\x02", at + 4)) {
        const uint16_t nameLength = ReadLittle16(zip, at + 28);
        if (zip.compare(at + 46, nameLength, name) != 0 || nameLength != name.size()) continue;
        WriteLittle32(zip, at + 24, size);
        // The local header: signature PK\3\4, size at 22 (0 there when a descriptor follows).
        const std::size_t local = ReadLittle32(zip, at + 42);
        if (local + 30 <= zip.size() && ReadLittle32(zip, local + 22) != 0)
            WriteLittle32(zip, local + 22, size);
        found = true;
    }
    return found;
}

std::vector<ZipEntry> CompleteTheme(std::string_view name, uint32_t argb) {
    const Keys buttons = {
        {"Convert", "convert_button.png"}, {"InFiles", "infiles"}, {"InFolder", "infolder"}};
    Keys icons;
    std::vector<ZipEntry> images = {{"convert_button.png", IconPng(100, argb)}};
    for (const std::string& icon : IconNames(IconSetKind::Menu)) {
        std::string stem;
        for (const char c : icon) stem += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        icons.emplace_back(icon, stem);
        for (const uint32_t size : {16u, 24u, 32u, 48u, 64u})
            images.push_back({stem + "_" + std::to_string(size) + ".png", IconPng(size, argb)});
    }
    std::vector<ZipEntry> entries = {{"theme.cfg", ThemeConfig(name, buttons, icons)}};
    entries.insert(entries.end(), images.begin(), images.end());
    return entries;
}

std::string ThemeConfig(std::string_view name, const Keys& buttons, const Keys& icons) {
    std::string text = "[Theme]\r\nName=" + std::string(name) + "\r\n\r\n[Buttons]\r\n";
    for (const auto& [key, value] : buttons) text += key + "=" + value + "\r\n";
    text += "\r\n[Icons]\r\n";
    for (const auto& [key, value] : icons) text += key + "=" + value + "\r\n";
    return text;
}

}  // namespace pictorb::themetest
