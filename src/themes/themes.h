#pragma once
// Theme archives: zip files of PNG images with a "theme.cfg" that names the theme and maps
// icon names to archive entries. They replace images of the three icon sets.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "themes/icon_sets.h"

namespace pictorb {

// What is read from an archive, whatever sizes it declares: theme.cfg is cut after
// kThemeConfigLimit bytes, an image entry larger than kThemeImageEntryLimit is not decoded,
// and images wider or taller than kMaxThemeImageSide pixels are refused. The largest icon
// shown is the 100 x 100 Convert button, so 512 leaves room for art drawn at five times that
// while a theme whose every icon is at the limit still holds under 50 MiB of pixels.
inline constexpr std::size_t kThemeConfigLimit = 64 * 1024;
inline constexpr std::size_t kThemeImageEntryLimit = 4 * 1024 * 1024;
inline constexpr uint32_t kMaxThemeImageSide = 512;
// The display name is read from this many bytes at the start of theme.cfg.
inline constexpr std::size_t kDisplayNameWindow = 255;

struct ThemeList {
    std::map<std::string, std::string> displayNames;  // archive base -> display name
    std::map<std::string, std::string> folders;       // archive base -> folder holding it
    std::string current;  // the base listed last (listing sorted by name); empty when none
};

// The program folder's "gfx/" when it exists, else "../share/pictorb/gfx/" beside the program.
std::string ThemeFolder();
// Themes a user adds without root: "pictorb/gfx/" in $XDG_DATA_HOME (~/.local/share).
std::string UserThemeFolder();

// The value of `key` in `group` of a theme.cfg text, with every quirk of that lookup: CR LF
// lines only, the key at a line start (a longer key with the same beginning matches), case
// ignored, the value between the line's first and second "=", trimmed.
std::string IniValue(std::string_view text, std::string_view group, std::string_view key);
// "Name" of group "Theme" read from the first 255 bytes of the archive's theme.cfg; `base`
// when the archive is missing, empty or not a zip; empty when it has no such entry or key.
// A name that is not UTF-8 is taken as Latin-1, as older theme makers wrote it.
std::string ThemeDisplayName(const std::string& folder, const std::string& base);
// Every "*.zip" file of the folders, sorted by name (current is the last); an empty list for
// missing folders. An archive in an earlier folder hides one of the same file name in a
// later folder.
ThemeList ListThemes(const std::vector<std::string>& folders);
ThemeList ListThemes(const std::string& folder);
// Loads the theme `uiTheme` into the flagged sets (sizes from `uiSize` for the toolbar set),
// from the folder it was listed in, else from `folder`. A missing archive falls back to
// themes.current and changes `uiTheme`. Entries that are missing or do not decode leave
// their icons as they were.
void LoadTheme(const std::string& folder, const ThemeList& themes, std::string& uiTheme,
               int32_t uiSize, IconSets& sets, bool controls, bool menu, bool toolbar);

// What the preferences dialog's theme list shows: display names of the bases sorted without
// regard to case, empty names left out, a name that several themes share followed by the
// file name, and the position of `uiTheme` (else 0); one item `noneText` when no theme is
// there to show.
struct ThemeChoices {
    std::vector<std::string> items;
    int32_t selected = 0;
};
ThemeChoices ListThemeChoices(const ThemeList& themes, const std::string& uiTheme,
                              const std::string& noneText);
// The base shown at a position of that list (empty names left out, so positions agree);
// empty past its end.
std::string ThemeAtPosition(const ThemeList& themes, int32_t index);

// Decodes PNG bytes into `image`; false (and `image` untouched) for anything that is not a
// PNG of sane dimensions.
bool DecodePng(std::string_view bytes, IconImage& image);

}  // namespace pictorb
