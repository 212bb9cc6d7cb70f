#pragma once
// Output file names: the filename mask with its tokens, the temporary name.

#include <cstdint>
#include <string>
#include <string_view>

#include "pipeline/job_context.h"
#include "settings/conversion_settings.h"

namespace pictorb {

// What the mask tokens are replaced by.
struct MaskValues {
    std::string inputPath;
    std::string outputFormatKey;
    int32_t bitDepth = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t randomNumber = 0;
    int32_t conversionNumber = 0;
};

// The eighteen tokens in the order they are applied.
inline constexpr std::string_view kMaskTokens[] = {
    "%filename%", "%filename[u]%", "%filename[l]%", "%filename[t]%", "%ext%", "%ext[u]%",
    "%ext[t]%",   "%yyyy%",        "%mm%",          "%dd%",          "%hh%",  "%ii%",
    "%ss%",       "%bpp%",         "%width%",       "%height%",      "%rnd%", "%n%"};

MaskValues MaskValuesOf(const FileJob& job);
// What "%ext%" gives: the output format key, but "psb" for a Photoshop document whose width or
// height needs the large document format.
std::string OutputExtension(const MaskValues& values);
// The input name: the name part without extension, and without a further last dot part.
std::string InputName(std::string_view inputPath);
// `text` with every occurrence of `token` (any letter case) replaced by its value.
std::string ReplaceMaskToken(std::string_view text, std::string_view token,
                             const MaskValues& values);
std::string ApplyFilenameMask(const ConversionSettings& settings, const FileJob& job);
// The folder output and temporary paths start with: the output folder, and the relative
// folder when subfolders are kept.
std::string FormOutputFolder(const ConversionSettings& settings, const FileJob& job);
// False for a name the mask gave that would leave the output folder: one beginning with "/"
// or with a ".." component. Masks come from shared profile and settings files.
bool StaysInOutputFolder(std::string_view name);
std::string FormTempPath(const ConversionSettings& settings, const FileJob& job);
std::string MakeTempName(std::string_view prefix, std::string_view suffix);
int32_t NewRandomNumber();  // 1..99999

}  // namespace pictorb
