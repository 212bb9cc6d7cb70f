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

std::string ThemeDisplayName(const std::string& folder, const std::string& base) {
    const std::string path = ArchivePath(folder, base);
    if (QueryFileSize(path) <= 0) return base;
    return ReadThemeDisplayName(ArchiveSource::File(path)).value_or(base);
}

ThemeList ListThemes(const std::string& folder) {
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
    // The order of a folder listing is the file system's; the name order is everyone's.
    std::sort(bases.begin(), bases.end());
    ThemeList themes;
    for (const std::string& base : bases)
        themes.displayNames[base] = ThemeDisplayName(folder, base);
    if (!bases.empty()) themes.current = bases.back();
    return themes;
}

void LoadTheme(const std::string& folder, const ThemeList& themes, std::string& uiTheme,
               int32_t uiSize, IconSets& sets, bool controls, bool menu, bool toolbar) {
    std::string path = ArchivePath(folder, uiTheme);
    if (QueryFileSize(path) == kFileMissing && !themes.current.empty()) {
        uiTheme = themes.current;
        path = ArchivePath(folder, uiTheme);
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
    for (std::size_t i = 0; i < bases.size(); ++i) {
        choices.items.push_back(themes.displayNames.at(bases[i]));
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
