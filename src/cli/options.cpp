// Turning program parameters and profile files into settings: value parsing, the one table
// of options, the option loop and the profile reader.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "cli/cli.h"
#include "settings/settings.h"
#include "settings/settings_fields.h"
#include "text/text.h"
#include "text/utf8.h"

namespace pictorb {
namespace {

using CS = ConversionSettings;
using K = KeywordTable;

using ValueKind = OptionValueKind;

// Options that do more than store a value.
enum class Special {
    None,
    Input,
    Profile,
    Debug,
    Quiet,
    Pause,
    ExitCode,
    InputList,
    InputListNul,
    OutputEncoding,
    SaveProfile
};

// Where an option's value goes: a settings member or a job field.
using Target = std::variant<std::monostate, int32_t CS::*, int8_t CS::*, float CS::*,
                            std::string CS::*, std::string JobContext::*>;

struct Switch {
    int8_t CS::*member = nullptr;
    int8_t value = 0;
};

struct OptionRow {
    std::string_view shortName;  // "-i"; empty when the option has only a long form
    std::string_view longName;   // "--input"
    ValueKind kind = ValueKind::Flag;
    Target target;
    KeywordTable keywordTable = KeywordTable::None;
    Switch also;           // written alongside once the value was fetched
    int8_t flagValue = 1;  // what a flag stores
    Special special = Special::None;
    std::string_view profileKey;  // the key in a profile, when it differs from longName
};

OptionRow Row(std::string_view shortName, std::string_view longName, ValueKind kind, Target target,
              Switch also = {}) {
    OptionRow row;
    row.shortName = shortName;
    row.longName = longName;
    row.kind = kind;
    row.target = target;
    row.also = also;
    return row;
}
OptionRow Text(std::string_view name, std::string CS::*member, Switch also = {}) {
    return Row({}, name, ValueKind::Text, member, also);
}
OptionRow Integer(std::string_view name, int32_t CS::*member, Switch also = {}) {
    return Row({}, name, ValueKind::Integer, member, also);
}
OptionRow Decimal(std::string_view name, float CS::*member, Switch also = {}) {
    return Row({}, name, ValueKind::Decimal, member, also);
}
template <typename Member>
OptionRow Keyword(std::string_view name, Member member, KeywordTable table) {
    OptionRow row = Row({}, name, ValueKind::Keyword, member);
    row.keywordTable = table;
    return row;
}
OptionRow Flag(std::string_view name, int8_t CS::*member, Switch also = {}, int8_t value = 1) {
    OptionRow row = Row({}, name, ValueKind::Flag, member, also);
    row.flagValue = value;
    return row;
}
OptionRow JobText(std::string_view shortName, std::string_view name, std::string JobContext::*field,
                  Special special = Special::None) {
    OptionRow row = Row(shortName, name, ValueKind::Text, field);
    row.special = special;
    return row;
}
OptionRow Control(std::string_view shortName, std::string_view name, ValueKind kind,
                  Special special) {
    OptionRow row = Row(shortName, name, kind, std::monostate{});
    row.special = special;
    return row;
}

// Every option, in the order names are matched. The rows that write a settings member are
// also the keys a profile may hold.
const std::vector<OptionRow>& OptionTable() {
    static const std::vector<OptionRow> table = [] {
        const Switch rotate{&CS::doImageRotation, 1};
        const Switch resize{&CS::doImageResize, 1};
        const Switch correct{&CS::doImageColorCorrection, 1};
        const Switch frame{&CS::doFrame, 1};
        std::vector<OptionRow> rows = {
            JobText("-i", "--input", &JobContext::commandLineInput, Special::Input),
            JobText("-o", "--output", &JobContext::outputFolder),
            JobText("-c", "--conversion", &JobContext::outputFormatKey),
            Control({}, "--files-from", ValueKind::Text, Special::InputList),
            Control({}, "--null", ValueKind::Flag, Special::InputListNul),
            Keyword("--dds-load-as", &CS::ddsLoadAs, K::DdsLoadAs),
            Keyword("--gif-frame-loading", &CS::gifFrameLoading, K::FrameLoading),
            Keyword("--ico-frame-loading", &CS::icoFrameLoading, K::FrameLoading),
            Keyword("--raw-load-as", &CS::rawLoadAs, K::RawLoadAs),
            Integer("--raw-header-size", &CS::rawHeaderSize),
            Integer("--raw-width", &CS::rawImageWidth),
            Integer("--raw-height", &CS::rawImageHeight),
            Keyword("--raw-tone-mapping", &CS::rawToneMapping, K::ToneMapping),
            Keyword("--tiff-frame-loading", &CS::tiffFrameLoading, K::FrameLoading),
            Integer("--bmp-bpp", &CS::bmpBpp),
            Keyword("--bmp-compression", &CS::bmpCompression, K::Compression),
            Keyword("--bmp-color-table", &CS::bmpColorTable, K::ColorTable),
            Integer("--dds-bpp", &CS::ddsBpp),
            Integer("--exr-bpp", &CS::exrBpp),
            Keyword("--exr-compression", &CS::exrCompression, K::Compression),
            Integer("--gif-bpp", &CS::gifBpp),
            Integer("--hdr-bpp", &CS::hdrBpp),
            Integer("--ico-bpp", &CS::icoBpp),
            Integer("--j2k-bpp", &CS::j2kBpp),
            Integer("--jng-bpp", &CS::jngBpp),
            Integer("--jp2-bpp", &CS::jp2Bpp),
            Integer("--jpg-bpp", &CS::jpgBpp),
            Integer("--jpg-quality", &CS::jpgQuality),
            Keyword("--jpg-chroma", &CS::jpgChroma, K::Chroma),
            Keyword("--jpg-save-as", &CS::jpgSaveAs, K::SaveAs),
            Integer("--jxr-bpp", &CS::jxrBpp),
            Integer("--pbm-bpp", &CS::pbmBpp),
            Integer("--pcx-bpp", &CS::pcxBpp),
            Integer("--pfm-bpp", &CS::pfmBpp),
            Integer("--pgm-bpp", &CS::pgmBpp),
            Integer("--png-bpp", &CS::pngBpp),
            Keyword("--png-compression", &CS::pngCompression, K::Compression),
            Flag("--png-interlaced", &CS::pngInterlaced),
            Integer("--ppm-bpp", &CS::ppmBpp),
            Integer("--psd-bpp", &CS::psdBpp),
            Keyword("--psd-compression", &CS::psdCompression, K::Compression),
            Keyword("--psd-alpha", &CS::psdAlphaChannel, K::PsdAlpha),
            Integer("--tga-bpp", &CS::tgaBpp),
            Keyword("--tga-compression", &CS::tgaCompression, K::Compression),
            Integer("--tiff-bpp", &CS::tiffBpp),
            Keyword("--tiff-compression", &CS::tiffCompression, K::Compression),
            Keyword("--tiff-color-model", &CS::tiffColorModel, K::ColorModel),
            Integer("--wbmp-bpp", &CS::wbmpBpp),
            Integer("--webp-bpp", &CS::webpBpp),
            Integer("--xpm-bpp", &CS::xpmBpp),
            Keyword("--rotation-type", &CS::imageRotationType, K::RotationType),
            Integer("--rotation", &CS::imageRotation, rotate),
            Text("--rotation-back-color", &CS::imageRotationBackColor),
            Integer("--width", &CS::imageWidth, resize),
            Keyword("--width-unit", &CS::imageWidthUnit, K::SizeUnit),
            Integer("--height", &CS::imageHeight, resize),
            Keyword("--height-unit", &CS::imageHeightUnit, K::SizeUnit),
            Flag("--keep-aspect-ratio", &CS::keepAspectRatio),
            Keyword("--resize-type", &CS::imageResizeType, K::ResizeType),
            Keyword("--resize-algorithm", &CS::imageResizeAlgorithm, K::ResizeAlgorithm),
            Flag("--flip-horizontal", &CS::doImageFlipHorizontal),
            Flag("--flip-vertical", &CS::doImageFlipVertical),
            Integer("--brightness", &CS::imageBrightness, correct),
            Integer("--contrast", &CS::imageContrast, correct),
            Decimal("--gamma", &CS::imageGamma, correct),
            Flag("--invert", &CS::imageInvert, correct),
            Flag("--greyscale", &CS::doImageGreyscale),
            Integer("--threshold", &CS::imageThreshold, {&CS::doImageThreshold, 1}),
            Integer("--fr-solid-left", &CS::solidLeft, frame),
            Integer("--fr-solid-right", &CS::solidRight, frame),
            Integer("--fr-solid-top", &CS::solidTop, frame),
            Integer("--fr-solid-bottom", &CS::solidBottom, frame),
            Text("--fr-solid-left-color", &CS::solidLeftColor),
            Text("--fr-solid-right-color", &CS::solidRightColor),
            Text("--fr-solid-top-color", &CS::solidTopColor),
            Text("--fr-solid-bottom-color", &CS::solidBottomColor),
            Integer("--fr-solid-opacity", &CS::solidOpacity),
            Text("--wm-text", &CS::text, {&CS::doWatermark, 1}),
            Text("--wm-font", &CS::font),
            Integer("--wm-font-size", &CS::fontSize),
            Integer("--wm-font-leading", &CS::fontLeading),
            Text("--wm-font-color", &CS::fontColor),
            Keyword("--wm-font-style", &CS::fontStyle, K::FontStyle),
            Keyword("--wm-font-effect", &CS::fontEffect, K::FontEffect),
            Flag("--wm-text-antialiasing", &CS::textAntialiasing),
            Keyword("--wm-text-alignment", &CS::textAlignment, K::Alignment),
            Integer("--wm-text-padding", &CS::textPadding),
            Integer("--wm-text-opacity", &CS::textOpacity),
            Text("--wm-back-color", &CS::backColor),
            Integer("--wm-back-opacity", &CS::backOpacity),
            Keyword("--wm-text-boundary", &CS::textBoundary, K::Boundary),
            Keyword("--wm-text-position", &CS::textPosition, K::Position),
            Integer("--wm-text-x-offset", &CS::textXOffset),
            Integer("--wm-text-y-offset", &CS::textYOffset),
            Integer("--wm-text-rotation", &CS::textRotation),
            Keyword("--wm-text-size", &CS::textSize, K::Scaling),
            Text("--wm-image", &CS::image, {&CS::doWatermark, 2}),
            Flag("--wm-image-greyscale", &CS::imageGreyscale),
            Integer("--wm-image-opacity", &CS::imageOpacity),
            Keyword("--wm-image-boundary", &CS::imageBoundary, K::Boundary),
            Keyword("--wm-image-position", &CS::imagePosition, K::Position),
            Integer("--wm-image-x-offset", &CS::imageXOffset),
            Integer("--wm-image-y-offset", &CS::imageYOffset),
            Integer("--wm-image-rotation", &CS::watermarkImageRotation),
            Keyword("--wm-image-size", &CS::imageSize, K::Scaling),
            Text("--filename-mask", &CS::filenameMask),
            Keyword("--file-timestamp", &CS::fileTimestamp, K::Timestamp),
            Integer("--file-timestamp-custom", &CS::customTimestamp),
            Flag("--no-subfolders", &CS::keepSubfolders, {}, 0),
            Flag("--recursive", &CS::includeSubfolders),
            Integer("--jobs", &CS::threads),
            Keyword("--existing", &CS::existingFiles, K::ExistingFiles),
            Control({}, "--profile", ValueKind::Text, Special::Profile),
            Control({}, "--save-profile", ValueKind::Text, Special::SaveProfile),
            Control("-d", "--debug", ValueKind::Flag, Special::Debug),
            Control("-q", "--quiet", ValueKind::Flag, Special::Quiet),
            Control("-p", "--pause", ValueKind::Flag, Special::Pause),
            Control({}, "--exit-code", ValueKind::Flag, Special::ExitCode),
            Control({}, "--output-encoding", ValueKind::Keyword, Special::OutputEncoding),
        };
        for (OptionRow& row : rows) {
            // A profile names the frame opacity after the watermark group.
            if (row.longName == "--fr-solid-opacity") row.profileKey = "--wm-solid-opacity";
            if (row.special == Special::ExitCode || row.special == Special::OutputEncoding)
                row.profileKey = row.longName;
            if (row.special == Special::OutputEncoding) row.keywordTable = K::OutputEncoding;
        }
        return rows;
    }();
    return table;
}

bool IsSettingsRow(const OptionRow& row) {
    return !std::holds_alternative<std::monostate>(row.target) &&
           !std::holds_alternative<std::string JobContext::*>(row.target);
}

const OptionRow* FindOption(std::string_view upperName) {
    if (upperName.empty()) return nullptr;
    for (const OptionRow& row : OptionTable()) {
        if (EqualsIgnoreAsciiCase(upperName, row.longName) ||
            (!row.shortName.empty() && EqualsIgnoreAsciiCase(upperName, row.shortName)))
            return &row;
    }
    return nullptr;
}

// The rows a profile may name: every settings row, --exit-code and --output-encoding.
bool IsProfileRow(const OptionRow& row) {
    return IsSettingsRow(row) || row.special == Special::ExitCode ||
           row.special == Special::OutputEncoding;
}

const OptionRow* FindProfileKey(std::string_view key) {
    for (const OptionRow& row : OptionTable()) {
        if (!IsProfileRow(row)) continue;
        const std::string_view name = row.profileKey.empty() ? row.longName : row.profileKey;
        if (EqualsIgnoreAsciiCase(key, name)) return &row;
    }
    return nullptr;
}

// An empty value reads as 0 as well, but says so plainly; only unknown words are refused.
bool IsKeyword(KeywordTable table, std::string_view value) {
    const std::string upper = Utf8Upper(Trim(value));
    if (upper.empty()) return true;
    for (const KeywordRow& row : KeywordRows(table)) {
        if (row.keyword == upper) return true;
    }
    return false;
}

// Converts `value` by the row's kind and stores it in the row's target.
void StoreValue(const OptionRow& row, const std::string& value, ConversionSettings& settings,
                JobContext& job) {
    int32_t number = 0;
    float decimal = 0.0f;
    switch (row.kind) {
        case ValueKind::Integer:
            number = TextToInteger(value);
            break;
        case ValueKind::Keyword:
            number = KeywordToValue(Trim(value), row.keywordTable);
            break;
        case ValueKind::Flag:
            number = row.flagValue;
            break;
        case ValueKind::Decimal:
            decimal = TextToDecimal(value);
            break;
        case ValueKind::Text:
            break;
    }
    std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, int32_t CS::*>) {
                settings.*member = number;
            } else if constexpr (std::is_same_v<M, int8_t CS::*>) {
                settings.*member = static_cast<int8_t>(number);
            } else if constexpr (std::is_same_v<M, float CS::*>) {
                settings.*member = decimal;
            } else if constexpr (std::is_same_v<M, std::string CS::*>) {
                settings.*member = value;
            } else if constexpr (std::is_same_v<M, std::string JobContext::*>) {
                job.*member = value;
            }
        },
        row.target);
}

void StoreSwitch(const OptionRow& row, ConversionSettings& settings) {
    if (row.also.member != nullptr) settings.*row.also.member = row.also.value;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The value of the option at `index`, advancing `index` for a one-letter form; nullopt when
// the value is missing or malformed.
std::optional<std::string> FetchValue(const OptionRow& row, std::string_view name,
                                      const std::vector<std::string>& args, std::size_t& index) {
    if (!row.shortName.empty()) {
        if (!StartsWith(name, "--")) ++index;
        std::string value = OptionValue(args, index);
        if (value.empty() || StartsWith(value, "-")) return std::nullopt;
        return value;
    }
    std::string value = OptionValue(args, index);
    if (value.empty() || StartsWith(value, "--")) return std::nullopt;
    return value;
}

constexpr std::string_view kIncorrectParameters = "Incorrect number of parameters";
constexpr std::string_view kInvalidProfile = "Invalid profile file";

int DigitValue(char c, int base) {
    int digit = 99;
    if (c >= '0' && c <= '9')
        digit = c - '0';
    else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
    return digit < base ? digit : -1;
}

// The group and key of the settings field behind a settings member.
template <typename Member>
const SettingsField* FieldOf(Member member) {
    for (const SettingsField& field : SettingsFields()) {
        const Member* candidate = std::get_if<Member>(&field.member);
        if (candidate != nullptr && *candidate == member) return &field;
    }
    return nullptr;
}

// The value of a settings row as an option value; nullopt when no option value gives it back
// (a keyword value without a keyword).
std::optional<std::string> OptionText(const OptionRow& row, const ConversionSettings& settings) {
    return std::visit(
        [&](auto member) -> std::optional<std::string> {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, std::string CS::*>) {
                return settings.*member;
            } else if constexpr (std::is_same_v<M, float CS::*>) {
                const float value = settings.*member;
                if (std::isnan(value)) return std::string("NaN");
                if (std::isinf(value)) return std::string(value > 0 ? "+Infinity" : "-Infinity");
                char buffer[64];
                const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
                return std::string(buffer, result.ptr);
            } else if constexpr (std::is_same_v<M, int32_t CS::*> ||
                                 std::is_same_v<M, int8_t CS::*>) {
                const int32_t value = settings.*member;
                if (row.kind != ValueKind::Keyword) return std::to_string(value);
                // A compression keyword is named as its own format knows it ("--png-...").
                std::string_view format;
                if (row.keywordTable == K::Compression)
                    format = row.longName.substr(2, row.longName.find('-', 2) - 2);
                std::string keyword = ValueToKeyword(row.keywordTable, value, format);
                // The option takes every keyword of the table, also another format's.
                if (keyword.empty()) keyword = ValueToKeyword(row.keywordTable, value);
                if (keyword.empty()) return std::nullopt;
                return Utf8Lower(keyword);
            } else {
                return std::nullopt;
            }
        },
        row.target);
}

bool SameSetting(const OptionRow& row, const ConversionSettings& a, const ConversionSettings& b) {
    return std::visit(
        [&](auto member) {
            using M = decltype(member);
            if constexpr (std::is_same_v<M, std::monostate> ||
                          std::is_same_v<M, std::string JobContext::*>) {
                return true;
            } else if constexpr (std::is_same_v<M, float CS::*>) {
                // NaN differs from itself but is one setting.
                return a.*member == b.*member || (std::isnan(a.*member) && std::isnan(b.*member));
            } else {
                return a.*member == b.*member;
            }
        },
        row.target);
}

bool FlagIsSet(const OptionRow& row, const ConversionSettings& settings) {
    const auto* member = std::get_if<int8_t CS::*>(&row.target);
    return member != nullptr && settings.**member == row.flagValue;
}

}  // namespace

void ResetOptionSettings(ConversionSettings& settings, const ConversionSettings& defaults) {
    for (const OptionRow& row : OptionTable()) {
        if (!IsSettingsRow(row)) continue;
        std::visit(
            [&](auto member) {
                using M = decltype(member);
                if constexpr (!std::is_same_v<M, std::monostate> &&
                              !std::is_same_v<M, std::string JobContext::*>)
                    settings.*member = defaults.*member;
            },
            row.target);
        if (row.also.member != nullptr) settings.*row.also.member = defaults.*row.also.member;
    }
}

std::vector<ChangedOption> ChangedOptions(const ConversionSettings& settings,
                                          const ConversionSettings& defaults) {
    std::vector<ChangedOption> changed;
    for (const OptionRow& row : OptionTable()) {
        if (!IsSettingsRow(row)) continue;
        // Reading an option switches its stage on, so a switched row is only written with its
        // stage on; then every such row is, as one of them has to switch the stage.
        bool stageSwitched = false;
        if (row.also.member != nullptr) {
            if (settings.*row.also.member != row.also.value) continue;
            stageSwitched = defaults.*row.also.member != row.also.value;
        }
        // The custom time's default is the moment of reading: it is only worth writing, and
        // then always, when the documents take it.
        if (row.longName == "--file-timestamp-custom") {
            if (settings.fileTimestamp != kTimestampCustom) continue;
            stageSwitched = true;
        }
        ChangedOption option;
        option.longName = row.longName;
        option.profileKey = row.profileKey.empty() ? row.longName : row.profileKey;
        if (row.kind == ValueKind::Flag) {
            // A flag can only be switched to its one value.
            if (!FlagIsSet(row, settings) || (!stageSwitched && FlagIsSet(row, defaults))) continue;
            option.flag = true;
            changed.push_back(std::move(option));
            continue;
        }
        if (!stageSwitched && SameSetting(row, settings, defaults)) continue;
        std::optional<std::string> value = OptionText(row, settings);
        if (!value) continue;
        // Values are single lines, as in the settings file.
        std::replace_if(
            value->begin(), value->end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
        option.value = std::move(*value);
        changed.push_back(std::move(option));
    }
    return changed;
}

std::vector<OptionDescription> DescribeOptions() {
    std::vector<OptionDescription> list;
    for (const OptionRow& row : OptionTable()) {
        OptionDescription option;
        option.shortName = row.shortName;
        option.longName = row.longName;
        option.kind = row.kind;
        option.keywordTable = row.keywordTable;
        option.flagValue = row.flagValue;
        const SettingsField* field = std::visit(
            [](auto member) -> const SettingsField* {
                if constexpr (std::is_same_v<decltype(member), std::monostate> ||
                              std::is_same_v<decltype(member), std::string JobContext::*>)
                    return nullptr;
                else
                    return FieldOf(member);
            },
            row.target);
        if (field != nullptr) {
            option.group = field->group;
            option.key = field->key;
        }
        if (row.also.member != nullptr) {
            if (const SettingsField* also = FieldOf(row.also.member)) {
                option.alsoGroup = also->group;
                option.alsoKey = also->key;
                option.alsoValue = row.also.value;
            }
        }
        if (IsProfileRow(row))
            option.profileKey = row.profileKey.empty() ? row.longName : row.profileKey;
        list.push_back(std::move(option));
    }
    return list;
}

std::string OptionName(const std::vector<std::string>& args, std::size_t index) {
    if (index >= args.size()) return {};
    const std::string parameter = Trim(args[index]);
    if (!StartsWith(parameter, "-")) return {};
    if (StartsWith(parameter, "--")) return Utf8Upper(parameter.substr(0, parameter.find('=')));
    return Utf8Upper(parameter);
}

std::string OptionValue(const std::vector<std::string>& args, std::size_t index) {
    if (index >= args.size()) return {};
    std::string parameter = Trim(args[index]);
    if (StartsWith(parameter, "--")) {
        const std::size_t equals = parameter.find('=', 2);
        if (equals != std::string::npos) return parameter.substr(equals + 1);
    }
    return parameter;
}

// Digits past the 32-bit range wrap around modulo 2^32, so "$FFFFFFFF" reads as -1.
int32_t TextToInteger(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    int base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        ++pos;
    } else if (pos < text.size() && text[pos] == '%') {
        base = 2;
        ++pos;
    }
    uint32_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = DigitValue(text[pos], base);
        if (digit < 0) break;
        magnitude = magnitude * static_cast<uint32_t>(base) + static_cast<uint32_t>(digit);
    }
    if (negative) magnitude = 0u - magnitude;
    return static_cast<int32_t>(magnitude);  // two's complement, defined since C++20
}

float TextToDecimal(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    text.remove_prefix(pos);
    const auto startsWith = [&](std::string_view word) {
        return text.size() >= word.size() &&
               EqualsIgnoreAsciiCase(text.substr(0, word.size()), word);
    };
    if (startsWith("+Infinity")) return std::numeric_limits<float>::infinity();
    if (startsWith("-Infinity")) return -std::numeric_limits<float>::infinity();
    if (startsWith("NaN")) return std::numeric_limits<float>::quiet_NaN();

    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // The longest leading decimal number: digits, an optional fraction, an optional exponent.
    std::size_t end = 0;
    std::size_t digits = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end, ++digits;
    if (end < text.size() && text[end] == '.') {
        ++end;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end, ++digits;
    }
    if (digits == 0) return 0.0f;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t exponentEnd = end + 1;
        if (exponentEnd < text.size() && (text[exponentEnd] == '+' || text[exponentEnd] == '-'))
            ++exponentEnd;
        const std::size_t exponentDigits = exponentEnd;
        while (exponentEnd < text.size() && text[exponentEnd] >= '0' && text[exponentEnd] <= '9')
            ++exponentEnd;
        if (exponentEnd > exponentDigits) end = exponentEnd;
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + end, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: the exponent's sign tells which.
        const std::size_t e = text.substr(0, end).find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < end && text[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    // Converting a double beyond the float range is undefined; such values become infinite.
    float decimal = std::fabs(value) > std::numeric_limits<float>::max()
                        ? std::numeric_limits<float>::infinity()
                        : static_cast<float>(value);
    return negative ? -decimal : decimal;
}

bool LoadProfile(ProcessState& state, const std::string& path, std::vector<std::string>* refused) {
    std::optional<IniDocument> document = IniDocument::Load(ResolveProfilePath(path));
    if (!document) return false;
    const IniGroup* group = document->Group("CLI");
    if (group == nullptr) return true;
    const auto refuse = [&](std::string_view reason, const std::string& key,
                            const std::string& value) {
        if (refused != nullptr)
            refused->push_back(std::string(reason) + ": " + key + " = " + value);
    };
    for (const auto& [key, value] : group->entries) {
        const OptionRow* row = FindProfileKey(Trim(key));
        if (row == nullptr) {
            refuse("unknown key", key, value);
            continue;
        }
        if (row->kind == ValueKind::Keyword && !IsKeyword(row->keywordTable, value))
            refuse("unknown keyword", key, value);
        if (row->special == Special::ExitCode) {
            state.job.reportExitCode = TextToInteger(value) != 0;
            continue;
        }
        if (row->special == Special::OutputEncoding) {
            state.job.outputEncoding =
                static_cast<int8_t>(KeywordToValue(Trim(value), K::OutputEncoding));
            continue;
        }
        StoreSwitch(*row, state.settings);
        StoreValue(*row, row->kind == ValueKind::Text ? Trim(value) : value, state.settings,
                   state.job);
    }
    return true;
}

OptionLoopResult ParseOptions(ProcessState& state, const std::vector<std::string>& args) {
    OptionLoopResult result;
    // Everything after "--" is an input, whatever it looks like.
    const std::size_t optionsEnd =
        static_cast<std::size_t>(std::find(args.begin(), args.end(), "--") - args.begin());
    // Asked for anywhere, the exit code also tells an option error before it.
    for (std::size_t index = 0; index < optionsEnd; ++index) {
        const OptionRow* row = FindOption(OptionName(args, index));
        if (row != nullptr && row->special == Special::ExitCode) state.job.reportExitCode = true;
    }
    for (std::size_t index = 0; index < optionsEnd; ++index) {
        const std::string name = OptionName(args, index);
        const OptionRow* row = FindOption(name);
        if (row == nullptr) {
            const std::string parameter = Trim(args[index]);
            // Plain parameters after an input option are inputs too: the shell's expansion of
            // "-i *.bmp". Unknown options are ignored, as options of other editions may come.
            if (!parameter.empty() && parameter[0] == '-')
                result.unknownOptions.push_back(parameter.substr(0, parameter.find('=')));
            else if (state.job.commandLineMode && !parameter.empty())
                state.job.commandLineInputs.push_back(parameter);
            continue;
        }
        if (row->special == Special::Input || row->special == Special::InputList)
            state.job.commandLineMode = true;
        if (row->kind == ValueKind::Flag) {
            switch (row->special) {
                case Special::ExitCode:
                    state.job.reportExitCode = true;
                    break;
                case Special::InputListNul:
                    state.job.inputListsNul = true;
                    break;
                case Special::Debug:
                    state.job.runMode = "DEBUG";
                    break;
                case Special::Quiet:
                    result.quiet = true;
                    break;
                case Special::Pause:
                    result.pause = true;
                    break;
                default:
                    StoreValue(*row, {}, state.settings, state.job);
                    break;
            }
            StoreSwitch(*row, state.settings);
            continue;
        }
        const std::optional<std::string> value = FetchValue(*row, name, args, index);
        if (!value) {
            result.error = kIncorrectParameters;
            break;
        }
        if (row->special == Special::Profile) {
            std::vector<std::string> refused;
            if (!LoadProfile(state, *value, &refused)) {
                result.error = kInvalidProfile;
                break;
            }
            for (const std::string& line : refused)
                result.refusedProfileLines.push_back(*value + ": " + line);
            continue;
        }
        if (row->special == Special::SaveProfile) {
            result.saveProfilePath = *value;
            continue;
        }
        if (row->special == Special::InputList) {
            state.job.inputLists.push_back(*value);
            continue;
        }
        if (row->special == Special::OutputEncoding) {
            state.job.outputEncoding =
                static_cast<int8_t>(KeywordToValue(Trim(*value), K::OutputEncoding));
            continue;
        }
        if (row->special == Special::Input) {
            state.job.commandLineInputs.push_back(*value);
            if (state.job.commandLineInputs.size() > 1) continue;  // the first one is named
        }
        StoreValue(*row, *value, state.settings, state.job);
        StoreSwitch(*row, state.settings);
    }
    if (result.error.empty() && optionsEnd < args.size()) {
        state.job.commandLineMode = true;
        for (std::size_t index = optionsEnd + 1; index < args.size(); ++index) {
            if (args[index].empty()) continue;
            if (state.job.commandLineInputs.empty()) state.job.commandLineInput = args[index];
            state.job.commandLineInputs.push_back(args[index]);
        }
    }
    return result;
}

}  // namespace pictorb
