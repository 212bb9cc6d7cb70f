#pragma once
// The archive side of the theme functions, on an archive from a file or from memory. Inside
// the themes folder only; the fuzz target drives the same code through memory.

#include <cstdint>
#include <optional>
#include <string>

#include "themes/icon_sets.h"
#include "themes/zip_reader.h"

namespace pictorb {

// Which icon sets a load replaces, and the "UI Size" index for the toolbar set.
struct ThemeLoadRequest {
    int32_t uiSize = 0;
    bool controls = false;
    bool menu = false;
    bool toolbar = false;
};

// The display name from the first bytes of theme.cfg; std::nullopt when the archive does
// not open as a zip.
std::optional<std::string> ReadThemeDisplayName(const ArchiveSource& source);
// Replaces the images of the requested sets from the archive; false when it does not open.
bool LoadThemeArchive(const ArchiveSource& source, const ThemeLoadRequest& request, IconSets& sets);

}  // namespace pictorb
