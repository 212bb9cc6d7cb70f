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

// The "<KEY> BPP" setting of an output format key ("psd" -> psdBpp); nullptr for unknown keys
// and keys not in lower case.
const int32_t* BitDepthSetting(const ConversionSettings& settings, std::string_view key);
int32_t* BitDepthSetting(ConversionSettings& settings, std::string_view key);

// One row of a keyword table. A compression row also names the output formats it serves
// ("bmp,tga"); rows of the other tables leave that empty.
struct KeywordRow {
    std::string_view keyword;
    int32_t value;
    std::string_view formats = {};
};

// The keyword tables, one for each kind of enumerated setting.
enum class KeywordTable : int {
    None = -1,  // an option that takes no keyword
    DdsLoadAs,
    RawLoadAs,
    FrameLoading,  // GIF, ICO and TIFF frames
    ToneMapping,
    Compression,  // every format's: rows name the output formats they serve
    ColorTable,
    ColorModel,
    Chroma,
    SaveAs,
    RotationType,
    SizeUnit,
    ResizeType,
    ResizeAlgorithm,
    Frame,
    Watermark,
    FontStyle,
    FontEffect,
    Alignment,
    Boundary,
    Position,
    Scaling,
    Timestamp,
    PsdAlpha,        // "PSD Alpha Channel": ALWAYS, AUTO
    ExistingFiles,   // "Existing Files": REPLACE, SKIP, OLDER
    OutputEncoding,  // the redirected output's encoding: UTF-16LE, UTF-8
};
inline constexpr int kKeywordTableCount = 25;

// The rows of a table in row order (for listings, documents and completion); empty for None
// and numbers outside the tables.
std::span<const KeywordRow> KeywordRows(KeywordTable table);

// The value of `keyword` (any letter case) in `table`; 0 for unknown keywords and tables.
int32_t KeywordToValue(std::string_view keyword, KeywordTable table);
// The first keyword with the value; empty when no row has it. Compression rows are read for
// `outputFormat` when one is given.
std::string ValueToKeyword(KeywordTable table, int32_t value, std::string_view outputFormat = {});

// Creates <application data>/Corvalen/pictorb/ when missing and stores the path of
// config.ini in settings.settingsFilePath. False when the folder cannot be made.
bool LocateSettingsFile(ConversionSettings& settings);
// The folder of saved profiles beside the settings file, with trailing '/'; empty when the
// user's configuration folder is unknown. Not created here.
std::string ProfilesFolder();
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
