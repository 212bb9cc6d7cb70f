#pragma once
// Settings: the record's defaults, the keyword tables and the settings file.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "formats/formats.h"
#include "settings/conversion_settings.h"

namespace pictorb {

enum class DefaultsFor { CommandLine, Desktop };

// Assigns every default. The desktop variant centres the window on a desktop of the given
// size; "Format" in Input and Output take the first entries of the format lists.
void SetDefaults(ConversionSettings& settings, DefaultsFor caller, const Formats& formats,
                 int desktopWidth = 0, int desktopHeight = 0);

// One row of a keyword table. A compression row also names the output formats it serves
// ("bmp,tga"); rows of the other tables leave that empty.
struct KeywordRow {
    std::string_view keyword;
    int32_t value;
    std::string_view formats = {};
};

// Number of keyword tables; ids run from 0 to one less.
inline constexpr int kKeywordTableCount = 25;
// The table of "PSD Alpha Channel" (group Output): ALWAYS = 0, AUTO = 1.
inline constexpr int kPsdAlphaTable = 22;
// "Existing Files" (REPLACE, SKIP, OLDER) and the redirected output's encoding (UTF-16LE,
// UTF-8).
inline constexpr int kExistingFilesTable = 23;
inline constexpr int kOutputEncodingTable = 24;
// The rows of keyword table `tableId` in row order (for listings, documents and completion);
// empty for an unknown id.
std::span<const KeywordRow> KeywordRows(int tableId);

// Keyword tables 0..24. Unknown keywords and tables give 0.
int32_t KeywordToValue(std::string_view keyword, int tableId);
// Empty when no row has the value. Table 4 (compression) needs the output format key.
std::string ValueToKeyword(int tableId, int32_t value, std::string_view outputFormat = {});

// Creates <application data>/Corvalen/pictorb/ when missing and stores the path of
// config.ini in settings.settingsFilePath. False when the folder cannot be made.
bool LocateSettingsFile(ConversionSettings& settings);
// Reads the file (per-key defaults for missing keys, migrations); set-defaults (desktop
// variant) when it cannot be opened.
void LoadSettings(ConversionSettings& settings, const Formats& formats, int desktopWidth = 0,
                  int desktopHeight = 0);
// The same from the file's bytes; "Format" defaults come from this edition's lists.
void LoadSettingsFromText(ConversionSettings& settings, std::string_view bytes);
void LoadSettingsFromText(ConversionSettings& settings, std::string_view bytes,
                          const Formats& formats);
// The file's whole text, byte for byte as a save writes it.
std::string SettingsFileText(const ConversionSettings& settings, const Formats& formats);
// Writes the file through a temporary file renamed over it; false on failure, and then the
// old file is left as it was.
bool SaveSettings(const ConversionSettings& settings, const Formats& formats);

}  // namespace pictorb
