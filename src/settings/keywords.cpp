// The keyword tables that name enumerated settings on the command line and in profiles.

#include <span>

#include "settings/settings.h"
#include "text/utf8.h"

namespace pictorb {
namespace {

constexpr KeywordRow kDdsLoadAs[] = {{"AUTO", 0}, {"BGRA", 1}, {"RGBA", 2}};
constexpr KeywordRow kRawLoadAs[] = {{"AUTO", 0}, {"8", kRawLoadRgb8},       {"16", kRawLoadRgb16},
                                     {"24", 3},   {"48HS", kRawLoadRgb48Hs}, {"48", kRawLoadRgb48}};
constexpr KeywordRow kFrameLoading[] = {
    {"ALL", 0}, {"FIRST", 1}, {"MIDDLE", 2}, {"LAST", 3}, {"RANDOM", 4}};
constexpr KeywordRow kToneMapping[] = {
    {"NONE", 0}, {"LINEAR", 1}, {"AL", 2}, {"DRR", 3}, {"GD", 4}};
constexpr KeywordRow kCompression[] = {
    {"NONE", 0, "bmp,tga,exr,png,tiff,psd"},
    {"RLE", 1, "bmp,tga,psd"},
    {"ZIP", 1, "exr"},
    {"PIZ", 2, "exr"},
    {"PXR24", 3, "exr"},
    {"B44", 4, "exr"},
    {"ZLIB1", 1, "png"},
    {"ZLIB6", 2, "png"},
    {"ZLIB9", 3, "png"},
    {"CCITTFAX3", 1, "tiff"},
    {"CCITTFAX4", 2, "tiff"},
    {"PACKBITS", 3, "tiff"},
    {"DEFLATE", 4, "tiff"},
    {"ADOBEDEFLATE", 5, "tiff"},
    {"LZW", 6, "tiff"},
    {"JPEG", 7, "tiff"},
    {"LOGLUV", 8, "tiff"},
};
constexpr KeywordRow kColorTable[] = {{"AUTO", 0}, {"EXACT", 1}};
constexpr KeywordRow kColorModel[] = {
    {"RGB", kColorModelRgb}, {"CMYK", kColorModelCmyk}, {"LAB", kColorModelLab}};
constexpr KeywordRow kChroma[] = {{"NONE", 0}, {"LOW", 1}, {"MEDIUM", 2}, {"HIGH", 3}};
constexpr KeywordRow kSaveAs[] = {
    {"STANDARD", 0}, {"SIMPLE", 1}, {"OPTIMIZED", 2}, {"PROGRESSIVE", 3}};
constexpr KeywordRow kRotationType[] = {{"SIMPLE", kRotationSimple},
                                        {"ADVANCED", kRotationAdvanced}};
constexpr KeywordRow kSizeUnit[] = {{"PIXELS", kUnitPixels}, {"PERCENT", kUnitPercent}};
constexpr KeywordRow kResizeType[] = {{"ALLIMAGES", kResizeAllImages},
                                      {"LARGEIMAGES", kResizeLargeImages}};
constexpr KeywordRow kResizeAlgorithm[] = {{"BOX", 0},     {"BILINEAR", 1},   {"BSPLINE", 2},
                                           {"BICUBIC", 3}, {"CATMULLROM", 4}, {"LANCZOS", 5}};
constexpr KeywordRow kFrame[] = {{"NONE", kFrameNone}, {"SOLID", kFrameSolid}};
constexpr KeywordRow kWatermark[] = {
    {"NONE", kWatermarkNone}, {"TEXT", kWatermarkText}, {"IMAGE", kWatermarkImage}};
constexpr KeywordRow kFontStyle[] = {{"REGULAR", kFontStyleRegular},
                                     {"BOLD", kFontStyleBold},
                                     {"ITALIC", kFontStyleItalic},
                                     {"BOLDITALIC", kFontStyleBoldItalic}};
// The spelling of STRIKETHROUGHT is what users type; keep it.
constexpr KeywordRow kFontEffect[] = {{"NONE", kFontEffectNone},
                                      {"UNDERLINE", kFontEffectUnderline},
                                      {"STRIKETHROUGHT", kFontEffectStrikeout}};
constexpr KeywordRow kAlignment[] = {
    {"LEFT", kAlignLeft}, {"CENTER", kAlignCenter}, {"RIGHT", kAlignRight}};
constexpr KeywordRow kBoundary[] = {{"IMAGE", kBoundaryImage}, {"FRAME", kBoundaryFrame}};
constexpr KeywordRow kPosition[] = {{"TOPLEFT", 0},    {"TOPCENTER", 1},    {"TOPRIGHT", 2},
                                    {"MIDDLELEFT", 3}, {"MIDDLECENTER", 4}, {"MIDDLERIGHT", 5},
                                    {"BOTTOMLEFT", 6}, {"BOTTOMCENTER", 7}, {"BOTTOMRIGHT", 8}};
constexpr KeywordRow kScaling[] = {{"FIXED", kSizeFixed}};
constexpr KeywordRow kTimestamp[] = {
    {"CURRENT", kTimestampCurrent}, {"ORIGINAL", kTimestampOriginal}, {"CUSTOM", kTimestampCustom}};
constexpr KeywordRow kPsdAlpha[] = {{"ALWAYS", kPsdAlphaAlways}, {"AUTO", kPsdAlphaAuto}};
constexpr KeywordRow kExisting[] = {
    {"REPLACE", kExistingReplace}, {"SKIP", kExistingSkip}, {"OLDER", kExistingOlder}};
constexpr KeywordRow kOutputEncoding[] = {{"UTF-16LE", kOutputEncodingUtf16Le},
                                          {"UTF-8", kOutputEncodingUtf8}};

// In the order of KeywordTable.
constexpr std::span<const KeywordRow> kTables[] = {
    kDdsLoadAs,  kRawLoadAs,  kFrameLoading,    kToneMapping, kCompression,
    kColorTable, kColorModel, kChroma,          kSaveAs,      kRotationType,
    kSizeUnit,   kResizeType, kResizeAlgorithm, kFrame,       kWatermark,
    kFontStyle,  kFontEffect, kAlignment,       kBoundary,    kPosition,
    kScaling,    kTimestamp,  kPsdAlpha,        kExisting,    kOutputEncoding,
};
static_assert(std::size(kTables) == kKeywordTableCount);
static_assert(kTables[static_cast<int>(KeywordTable::Compression)].data() == kCompression);
static_assert(kTables[static_cast<int>(KeywordTable::OutputEncoding)].data() == kOutputEncoding);

bool RowServesFormat(const KeywordRow& row, std::string_view format) {
    std::string_view rest = row.formats;
    while (true) {
        const std::size_t comma = rest.find(',');
        if (EqualsIgnoreAsciiCase(rest.substr(0, comma), format)) return true;
        if (comma == std::string_view::npos) return false;
        rest.remove_prefix(comma + 1);
    }
}

}  // namespace

std::span<const KeywordRow> KeywordRows(KeywordTable table) {
    const int index = static_cast<int>(table);
    if (index < 0 || index >= kKeywordTableCount) return {};
    return kTables[index];
}

int32_t KeywordToValue(std::string_view keyword, KeywordTable table) {
    if (keyword.empty()) return 0;
    const std::string upper = Utf8Upper(keyword);
    for (const KeywordRow& row : KeywordRows(table)) {
        if (row.keyword == upper) return row.value;
    }
    return 0;
}

std::string ValueToKeyword(KeywordTable table, int32_t value, std::string_view outputFormat) {
    // Without a format the compression table reads in plain row order.
    const bool byFormat = table == KeywordTable::Compression && !outputFormat.empty();
    for (const KeywordRow& row : KeywordRows(table)) {
        if (row.value != value) continue;
        if (byFormat && !RowServesFormat(row, outputFormat)) continue;
        return std::string(row.keyword);
    }
    return {};
}

}  // namespace pictorb
