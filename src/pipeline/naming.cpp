#include "pipeline/naming.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "pipeline/psd_layout.h"
#include "platform/files.h"
#include "text/utf8.h"

namespace pictorb {
namespace {

std::string TwoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

// Right-aligned in five characters, padded with "0"; a longer number keeps its first five.
std::string FiveDigits(int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%05d", value);
    return std::string(buffer).substr(0, 5);
}

std::mt19937& RandomEngine() {
    thread_local std::mt19937 engine{std::random_device{}()};
    return engine;
}

std::string TokenValue(std::string_view token, const MaskValues& values) {
    if (token == "%filename%") return InputName(values.inputPath);
    if (token == "%filename[u]%") return Utf8Upper(InputName(values.inputPath));
    if (token == "%filename[l]%") return Utf8Lower(InputName(values.inputPath));
    if (token == "%filename[t]%") return Utf8TitleCase(InputName(values.inputPath));
    if (token == "%ext%") return OutputExtension(values);
    if (token == "%ext[u]%") return Utf8Upper(OutputExtension(values));
    if (token == "%ext[t]%") return Utf8TitleCase(OutputExtension(values));
    if (token == "%bpp%") return std::to_string(values.bitDepth);
    if (token == "%width%") return std::to_string(values.width);
    if (token == "%height%") return std::to_string(values.height);
    if (token == "%rnd%") return FiveDigits(values.randomNumber);
    if (token == "%n%") return FiveDigits(values.conversionNumber);
    // Date and time tokens read the clock once per token.
    const LocalDateTime now = NowLocalDateTime();
    if (token == "%yyyy%") return std::to_string(now.year);
    if (token == "%mm%") return TwoDigits(now.month);
    if (token == "%dd%") return TwoDigits(now.day);
    if (token == "%hh%") return TwoDigits(now.hour);
    if (token == "%ii%") return TwoDigits(now.minute);
    if (token == "%ss%") return TwoDigits(now.second);
    return std::string(token);
}

}  // namespace

std::string OutputExtension(const MaskValues& values) {
    if (values.outputFormatKey == "psd" &&
        DocumentFormatFor(static_cast<uint64_t>(std::max(values.width, 0)),
                          static_cast<uint64_t>(std::max(values.height, 0))) !=
            DocumentFormat::Psd) {
        return "psb";
    }
    return values.outputFormatKey;
}

MaskValues MaskValuesOf(const FileJob& job) {
    return MaskValues{job.inputPath,    job.outputFormatKey, job.targetBitDepth,  job.outputWidth,
                      job.outputHeight, job.randomNumber,    job.conversionNumber};
}

std::string InputName(std::string_view inputPath) {
    const std::size_t slash = inputPath.rfind('/');
    std::string_view name =
        slash == std::string_view::npos ? inputPath : inputPath.substr(slash + 1);
    // The extension goes, and so does one more dotted part ("my.photo.bmp" gives "my").
    for (int pass = 0; pass < 2; ++pass) {
        const std::size_t dot = name.rfind('.');
        if (dot != std::string_view::npos) name = name.substr(0, dot);
    }
    return std::string(name);
}

std::string ReplaceMaskToken(std::string_view text, std::string_view token,
                             const MaskValues& values) {
    return ReplaceIgnoreCase(text, token, TokenValue(token, values));
}

std::string ApplyFilenameMask(const ConversionSettings& settings, const FileJob& job) {
    std::string mask = Utf8Lower(settings.filenameMask);
    if (mask.empty()) mask = "%filename%.%ext%";
    const MaskValues values = MaskValuesOf(job);
    for (std::string_view token : kMaskTokens) {
        if (mask.find(token) != std::string::npos) mask = ReplaceMaskToken(mask, token, values);
    }
    return mask;
}

std::string FormTempPath(const ConversionSettings& settings, const FileJob& job) {
    return FormOutputFolder(settings, job) + MakeTempName("pictorb", "") + "." +
           job.outputFormatKey;
}

std::string FormOutputFolder(const ConversionSettings& settings, const FileJob& job) {
    return settings.keepSubfolders ? job.outputFolder + job.relativeFolder : job.outputFolder;
}

bool StaysInOutputFolder(std::string_view name) {
    if (!name.empty() && name.front() == '/') return false;
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        if (name.substr(start, end - start) == "..") return false;
        start = end + 1;
    }
    return true;
}

std::string MakeTempName(std::string_view prefix, std::string_view suffix) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz";
    std::string name(prefix);
    for (char digit : std::to_string(NowLocalSeconds())) {
        if (digit >= '0' && digit <= '9') name += kLetters[digit - '0'];
    }
    std::uniform_int_distribution<int> letter(0, 25);
    for (int i = 0; i < 5; ++i) name += kLetters[letter(RandomEngine())];
    name += suffix;
    return name;
}

int32_t NewRandomNumber() {
    std::uniform_int_distribution<int32_t> number(1, 99999);
    return number(RandomEngine());
}

}  // namespace pictorb
