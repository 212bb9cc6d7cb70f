#include "themes/themes.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "text/utf8.h"
#include "themes/theme_loader.h"

namespace pictorb {
namespace {

constexpr std::string_view kArchiveExtension = ".zip";

std::string ArchivePath(const std::string& folder, const std::string& base) {
    const bool needsSeparator = !folder.empty() && folder.back() != '/';
    return folder + (needsSeparator ? "/" : "") + base + std::string(kArchiveExtension);
}

// Where the archive of `base` lies: the folder it was listed in, else `folder`.
std::string ListedArchivePath(const ThemeList& themes, const std::string& folder,
                              const std::string& base) {
    const auto listed = themes.folders.find(base);
    return ArchivePath(listed != themes.folders.end() ? listed->second : folder, base);
}

// Text to show from bytes of unknown encoding: UTF-8 when they are, else Latin-1.
std::string ShownText(const std::string& bytes) {
    return IsValidUtf8(bytes) ? bytes : Latin1ToUtf8(bytes);
}

// The archive files of one folder by base; nothing for a missing folder.
std::vector<std::string> ArchiveBases(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> bases;
    std::error_code error;
    fs::directory_iterator entry(folder.empty() ? "." : folder, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const std::string file = entry->path().filename().string();
        if (file.size() <= kArchiveExtension.size() || !file.ends_with(kArchiveExtension)) continue;
        std::error_code typeError;
        if (!entry->is_regular_file(typeError)) continue;  // follows links; skips folders
        bases.push_back(file.substr(0, file.size() - kArchiveExtension.size()));
    }
    return bases;
}

// The bases the preferences list shows, in its order: without regard to case (ties by
// bytes, so the order never depends on the map), themes without a display name left out.
std::vector<std::string> ShownBases(const ThemeList& themes) {
    std::vector<std::pair<std::string, std::string>> keyed;  // lower-cased base, base
    for (const auto& [base, displayName] : themes.displayNames)
        if (!displayName.empty()) keyed.emplace_back(Utf8Lower(base), base);
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::string> bases;
    for (auto& entry : keyed) bases.push_back(std::move(entry.second));
    return bases;
}

}  // namespace

std::string ThemeFolder() {
    const std::string program = ProgramFolder();
    if (QueryFileSize(program + "gfx") == kFileIsFolder) return program + "gfx/";
    return program + "../share/pictorb/gfx/";
}

std::string UserThemeFolder() {
    return UserDataFolder() + "pictorb/gfx/";
}

std::string ThemeDisplayName(const std::string& folder, const std::string& base) {
    const std::string path = ArchivePath(folder, base);
    if (QueryFileSize(path) <= 0) return ShownText(base);
    return ShownText(ReadThemeDisplayName(ArchiveSource::File(path)).value_or(base));
}

ThemeList ListThemes(const std::vector<std::string>& folders) {
    ThemeList themes;
    for (const std::string& folder : folders) {
        for (const std::string& base : ArchiveBases(folder)) {
            if (!themes.folders.emplace(base, folder).second) continue;  // an earlier one wins
            themes.displayNames[base] = ThemeDisplayName(folder, base);
        }
    }
    // The map's order is the name order, whatever order the file systems list in.
    if (!themes.folders.empty()) themes.current = themes.folders.rbegin()->first;
    return themes;
}

ThemeList ListThemes(const std::string& folder) {
    return ListThemes(std::vector<std::string>{folder});
}

void LoadTheme(const std::string& folder, const ThemeList& themes, std::string& uiTheme,
               int32_t uiSize, IconSets& sets, bool controls, bool menu, bool toolbar) {
    std::string path = ListedArchivePath(themes, folder, uiTheme);
    if (QueryFileSize(path) == kFileMissing && !themes.current.empty()) {
        uiTheme = themes.current;
        path = ListedArchivePath(themes, folder, uiTheme);
    }
    if (QueryFileSize(path) <= 0) return;
    LoadThemeArchive(ArchiveSource::File(path), {uiSize, controls, menu, toolbar}, sets);
}

ThemeChoices ListThemeChoices(const ThemeList& themes, const std::string& uiTheme,
                              const std::string& noneText) {
    ThemeChoices choices;
    const std::vector<std::string> bases = ShownBases(themes);
    if (bases.empty()) {
        choices.items.push_back(noneText);
        return choices;
    }
    std::map<std::string, int> nameCounts;
    for (const std::string& base : bases) ++nameCounts[themes.displayNames.at(base)];
    for (std::size_t i = 0; i < bases.size(); ++i) {
        const std::string& name = themes.displayNames.at(bases[i]);
        // Two themes of one name are told apart by their archives' file names.
        choices.items.push_back(nameCounts[name] > 1 ? name + " (" + ShownText(bases[i]) +
                                                           std::string(kArchiveExtension) + ")"
                                                     : name);
        if (bases[i] == uiTheme) choices.selected = static_cast<int32_t>(i);
    }
    return choices;
}

std::string ThemeAtPosition(const ThemeList& themes, int32_t index) {
    const std::vector<std::string> bases = ShownBases(themes);
    if (index < 0 || static_cast<std::size_t>(index) >= bases.size()) return {};
    return bases[static_cast<std::size_t>(index)];
}

}  // namespace pictorb
