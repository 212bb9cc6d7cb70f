#include "themes/theme_loader.h"

#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "themes/themes.h"

namespace pictorb {
namespace {

constexpr std::string_view kConfigEntry = "theme.cfg";

// The icons (set and name) that take the image of one archive entry.
using IconTargets = std::vector<std::pair<IconSet*, std::string>>;

std::string EntryNameFor(const std::string& value, int32_t pixels) {
    std::string lower = value;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (lower.find(".png") != std::string::npos) return value;
    return value + "_" + std::to_string(pixels) + ".png";
}

// Entry name -> the icons it replaces, for every flagged set.
std::map<std::string, IconTargets> WantedEntries(std::string_view config,
                                                 const ThemeLoadRequest& request, IconSets& sets) {
    std::map<std::string, IconTargets> wanted;
    for (const IconSetKind kind : kIconSetKinds) {
        const bool flagged = kind == IconSetKind::Control ? request.controls
                             : kind == IconSetKind::Menu  ? request.menu
                                                          : request.toolbar;
        if (!flagged) continue;
        const std::string_view group = kind == IconSetKind::Control ? "Buttons" : "Icons";
        const int32_t pixels = IconPixelSize(IconSizeIndex(kind, request.uiSize));
        IconSet& set = sets.Of(kind);
        for (const std::string& icon : IconNames(kind)) {
            const std::string value = IniValue(config, group, icon);
            // No value names no entry: a theme without a key leaves that icon alone.
            if (value.empty() || !set.numbers.contains(icon)) continue;
            wanted[EntryNameFor(value, pixels)].emplace_back(&set, icon);
        }
    }
    return wanted;
}

// theme.cfg as text, cut at its limit; empty when the archive has none.
std::string ReadConfig(const ArchiveSource& source, bool& opened) {
    ZipReader reader(source);
    opened = reader.IsOpen();
    std::string name;
    int64_t declaredSize = 0;
    while (reader.NextEntry(name, declaredSize)) {
        if (name != kConfigEntry || declaredSize <= 0) continue;
        std::string text;
        if (reader.ReadEntry(text, kThemeConfigLimit) == EntryRead::Failed) text.clear();
        return text;
    }
    return {};
}

}  // namespace

std::optional<std::string> ReadThemeDisplayName(const ArchiveSource& source) {
    ZipReader reader(source);
    if (!reader.IsOpen()) return std::nullopt;
    std::string name;
    int64_t declaredSize = 0;
    while (reader.NextEntry(name, declaredSize)) {
        if (name != kConfigEntry) continue;
        // Only the first bytes are read: enough for a [Theme] group at the top, and a
        // theme.cfg of any size costs no more.
        std::string window;
        if (reader.ReadEntry(window, kDisplayNameWindow) == EntryRead::Failed) return "";
        window = window.substr(0, window.find('\0'));
        return IniValue(window, "Theme", "Name");
    }
    return "";
}

bool LoadThemeArchive(const ArchiveSource& source, const ThemeLoadRequest& request,
                      IconSets& sets) {
    bool opened = false;
    const std::string config = ReadConfig(source, opened);
    if (!opened) return false;
    std::map<std::string, IconTargets> wanted = WantedEntries(config, request, sets);
    if (wanted.empty()) return true;

    // Entry names are only compared with the wanted names, exactly; nothing is written.
    ZipReader reader(source);
    std::string name;
    std::string bytes;
    int64_t declaredSize = 0;
    while (!wanted.empty() && reader.NextEntry(name, declaredSize)) {
        if (declaredSize <= 0) continue;
        const auto found = wanted.find(name);
        if (found == wanted.end()) continue;
        const IconTargets targets = std::move(found->second);
        wanted.erase(found);  // the first entry of a name is the one used
        IconImage decoded;
        if (reader.ReadEntry(bytes, kThemeImageEntryLimit) != EntryRead::Whole ||
            !DecodePng(bytes, decoded))
            continue;
        for (const auto& [set, icon] : targets) *set->MutableImage(icon) = decoded;
    }
    return true;
}

}  // namespace pictorb
