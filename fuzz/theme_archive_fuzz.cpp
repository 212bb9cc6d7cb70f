// Feeds arbitrary bytes to the theme reader as a zip archive: the display name, the entry
// listing, theme.cfg and the image entries of all three icon sets. The bytes also go to the
// PNG decoder and the theme.cfg lookup directly.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "themes/theme_loader.h"
#include "themes/themes.h"

namespace {

// Every image the loader left behind is one it could decode, within the limits.
void CheckImage(const pictorb::IconImage& image) {
    if (image.Empty()) {
        if (!image.pixels.empty()) std::abort();
        return;
    }
    if (image.width > static_cast<int32_t>(pictorb::kMaxThemeImageSide) ||
        image.height > static_cast<int32_t>(pictorb::kMaxThemeImageSide) ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pictorb;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ArchiveSource source = ArchiveSource::Memory(bytes);

    const std::optional<std::string> name = ReadThemeDisplayName(source);
    if (name && name->find("\r\n") != std::string::npos) std::abort();

    // The listing, with every entry unpacked under a small limit.
    ZipReader reader(source);
    std::string entryName;
    std::string entry;
    int64_t declaredSize = 0;
    while (reader.NextEntry(entryName, declaredSize)) {
        if (reader.ReadEntry(entry, 4096) != EntryRead::Failed && entry.size() > 4096) std::abort();
    }

    IconSets sets;
    FillIconNames(sets);
    const int32_t uiSize = static_cast<int32_t>(size % 4);
    const bool opened = LoadThemeArchive(source, {uiSize, true, true, true}, sets);
    if (!opened && name) std::abort();  // one opened the archive, the other could not
    for (const IconSetKind kind : kIconSetKinds)
        for (const auto& [number, image] : sets.Of(kind).images) CheckImage(image);

    IconImage image;
    if (DecodePng(bytes, image)) CheckImage(image);
    const std::string value = IniValue(bytes, "Icons", "New");
    if (value.find("\r\n") != std::string::npos) std::abort();
    return 0;
}
