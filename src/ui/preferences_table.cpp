#include "ui/preferences_table.h"

#include <algorithm>
#include <array>
#include <limits>

#include "text/utf8.h"

namespace pictorb {
namespace {

using Page = PreferencesPage;
using C = PreferenceControl;

constexpr std::string_view kFrameChoices =
    "All Frames|First Frame|Middle Frame|Last Frame|Random Frame";
constexpr std::string_view kPositions =
    "Top-Left|Top-Center|Top-Right|Middle-Left|Middle-Center|Middle-Right|Bottom-Left|"
    "Bottom-Center|Bottom-Right";

constexpr PreferenceRow Row(Page page, std::string_view panel, std::string_view label, C control,
                            std::string_view group, std::string_view key,
                            std::string_view choices = {}) {
    PreferenceRow row{};
    row.page = page;
    row.panel = panel;
    row.label = label;
    row.control = control;
    row.group = group;
    row.key = key;
    row.choices = choices;
    return row;
}
constexpr PreferenceRow Slider(Page page, std::string_view panel, std::string_view label,
                               std::string_view group, std::string_view key, int32_t minimum,
                               int32_t maximum, PreferenceScale scale = PreferenceScale::Plain) {
    PreferenceRow row = Row(page, panel, label, C::Slider, group, key);
    row.minimum = minimum;
    row.maximum = maximum;
    row.scale = scale;
    return row;
}
// A number with a unit list bound to its own setting, or a single fixed unit.
constexpr PreferenceRow Number(Page page, std::string_view panel, std::string_view label,
                               std::string_view group, std::string_view key, std::string_view units,
                               std::string_view unitKey = {}) {
    PreferenceRow row = Row(page, panel, label, C::Number, group, key, units);
    row.unitKey = unitKey;
    return row;
}
// A colour or font list with the setting that holds its entries.
constexpr PreferenceRow Listed(Page page, std::string_view panel, std::string_view label, C control,
                               std::string_view group, std::string_view key,
                               std::string_view listKey) {
    PreferenceRow row = Row(page, panel, label, control, group, key);
    row.unitKey = listKey;
    return row;
}
constexpr PreferenceRow Depth(std::string_view panel, std::string_view key) {
    return Row(Page::Output, panel, "Bits Per Pixel", C::BitDepth, "Output", key);
}

constexpr std::string_view kIn = "Input";
constexpr std::string_view kOut = "Output";
constexpr std::string_view kTr = "Transform";
constexpr std::string_view kAdj = "Adjustment";
constexpr std::string_view kFr = "Frame";
constexpr std::string_view kWm = "Watermark";
constexpr std::string_view kAdv = "Advanced";

constexpr PreferenceRow kRows[] = {
    Row(Page::General, "", "Language", C::Language, "General", "Language"),
    Row(Page::General, "", "Check for Updates", C::List, "General", "Update Range",
        "Every day|Every week|Every month|Every 3 months|Every 6 months|Never"),
    Row(Page::General, "", "Save window position", C::Check, "General", "Save Window Position"),

    Row(Page::Interface, "", "UI Theme", C::Theme, "Interface", "UI Theme"),
    Row(Page::Interface, "", "UI Size", C::List, "Interface", "UI Size", "Small|Medium|Large"),

    Row(Page::Input, "", "Input Format", C::InputFormat, kIn, "Format"),
    Row(Page::Input, "dds", "Load As", C::List, kIn, "DDS Load As", "Auto|BGRA|RGBA"),
    Row(Page::Input, "gif", "Frame Loading", C::List, kIn, "GIF Frame Loading", kFrameChoices),
    Row(Page::Input, "ico", "Frame Loading", C::List, kIn, "ICO Frame Loading", kFrameChoices),
    Row(Page::Input, "raw", "Load As", C::List, kIn, "RAW Load As",
        "Auto|RGB8|RGB16|RGB24|RGB48HS|RGB48"),
    Number(Page::Input, "raw", "Header Size", kIn, "RAW Header Size", "Bytes"),
    Number(Page::Input, "raw", "Image Width", kIn, "RAW Image Width", "Pixels"),
    Number(Page::Input, "raw", "Image Height", kIn, "RAW Image Height", "Pixels"),
    Row(Page::Input, "raw", "Tone Mapping", C::List, kIn, "RAW Tone Mapping",
        "None|Linear|Adaptive Logarithmic|DR Reduction|Gradient Domain"),
    Row(Page::Input, "tiff", "Frame Loading", C::List, kIn, "TIFF Frame Loading", kFrameChoices),

    Row(Page::Output, "", "Output Format", C::OutputFormat, kOut, "Format"),
    Depth("bmp", "BMP BPP"),
    Row(Page::Output, "bmp", "Compression", C::List, kOut, "BMP Compression", "None|RLE"),
    Row(Page::Output, "bmp", "Color Table", C::List, kOut, "BMP Color Table", "Auto|Exact"),
    Depth("dds", "DDS BPP"),
    Depth("exr", "EXR BPP"),
    Row(Page::Output, "exr", "Compression", C::List, kOut, "EXR Compression",
        "None|ZIP|PIZ|PXR24|B44"),
    Depth("gif", "GIF BPP"),
    Depth("hdr", "HDR BPP"),
    Depth("ico", "ICO BPP"),
    Depth("j2k", "J2K BPP"),
    Depth("jng", "JNG BPP"),
    Depth("jp2", "JP2 BPP"),
    Depth("jpg", "JPG BPP"),
    Slider(Page::Output, "jpg", "Image Quality", kOut, "JPG Quality", kJpgQualityMinimum,
           kJpgQualityMaximum),
    Row(Page::Output, "jpg", "Chroma Subsampling", C::List, kOut, "JPG Chroma",
        "None|Low|Medium|High"),
    Row(Page::Output, "jpg", "Save As", C::List, kOut, "JPG Save As",
        "Baseline Standard|Baseline Simple|Baseline Optimized|Progressive"),
    Depth("jxr", "JXR BPP"),
    Depth("pbm", "PBM BPP"),
    Depth("pcx", "PCX BPP"),
    Row(Page::Output, "pcx", "Compression", C::List, kOut, "", "RLE"),
    Depth("pfm", "PFM BPP"),
    Depth("pgm", "PGM BPP"),
    Depth("png", "PNG BPP"),
    Row(Page::Output, "png", "Compression", C::List, kOut, "PNG Compression",
        "None|ZLIB1|ZLIB6|ZLIB9"),
    Row(Page::Output, "png", "Interlaced", C::Check, kOut, "PNG Interlaced"),
    Depth("ppm", "PPM BPP"),
    Depth("psd", "PSD BPP"),
    Row(Page::Output, "psd", "Compression", C::List, kOut, "PSD Compression", "None|RLE"),
    Row(Page::Output, "psd", "Alpha Channel", C::List, kOut, "PSD Alpha Channel", "Always|Auto"),
    Depth("tga", "TGA BPP"),
    Row(Page::Output, "tga", "Compression", C::List, kOut, "TGA Compression", "None|RLE"),
    Depth("tiff", "TIFF BPP"),
    Row(Page::Output, "tiff", "Compression", C::List, kOut, "TIFF Compression",
        "None|CCITTFAX3|CCITTFAX4|PACKBITS|DEFLATE|ADOBEDEFLATE|LZW|JPEG|LOGLUV"),
    Row(Page::Output, "tiff", "Color Model", C::List, kOut, "TIFF Color Model", "RGB|CMYK"),
    Depth("wbmp", "WBMP BPP"),
    Depth("webp", "WEBP BPP"),
    Depth("xpm", "XPM BPP"),

    Row(Page::Transform, "", "Image Rotation", C::Check, kTr, "Do Image Rotation"),
    Row(Page::Transform, "", "Rotation Type", C::List, kTr, "Image Rotation Type",
        "Simple Rotation|Advanced Rotation"),
    Slider(Page::Transform, "", "Rotation Angle", kTr, "Image Rotation", 0, 360),
    Row(Page::Transform, "", "Background Color", C::Colour, kTr, "Image Rotation Back Color"),
    Row(Page::Transform, "", "Image Resize", C::Check, kTr, "Do Image Resize"),
    Number(Page::Transform, "", "Image Width", kTr, "Image Width", "Pixels|Percent",
           "Image Width Unit"),
    Number(Page::Transform, "", "Image Height", kTr, "Image Height", "Pixels|Percent",
           "Image Height Unit"),
    Row(Page::Transform, "", "Keep Aspect Ratio", C::Check, kTr, "Keep Aspect Ratio"),
    Row(Page::Transform, "", "Resize Type", C::List, kTr, "Image Resize Type",
        "All Images|Large Images"),
    Row(Page::Transform, "", "Resize Algorithm", C::List, kTr, "Image Resize Algorithm",
        "Box|Bilinear|Bspline|Bicubic|Catmullrom|Lanczos"),
    Row(Page::Transform, "", "Image Flip Horizontal", C::Check, kTr, "Do Image Flip Horizontal"),
    Row(Page::Transform, "", "Image Flip Vertical", C::Check, kTr, "Do Image Flip Vertical"),

    Slider(Page::Adjustment, "", "Image Brightness", kAdj, "Image Brightness", 0, 200,
           PreferenceScale::Offset100),
    Slider(Page::Adjustment, "", "Image Contrast", kAdj, "Image Contrast", 0, 200,
           PreferenceScale::Offset100),
    Slider(Page::Adjustment, "", "Image Gamma", kAdj, "Image Gamma", 1, 999,
           PreferenceScale::Hundredths),
    Row(Page::Adjustment, "", "Image Invert", C::Check, kAdj, "Image Invert"),
    Row(Page::Adjustment, "", "Image Greyscale", C::Check, kAdj, "Do Image Greyscale"),
    Row(Page::Adjustment, "", "Image Threshold", C::Check, kAdj, "Do Image Threshold"),
    Slider(Page::Adjustment, "", "Threshold Level", kAdj, "Image Threshold", 0, 255),

    Row(Page::Frame, "", "Frame Type", C::List, kFr, "Do Frame", "None|Frame Solid"),
    Number(Page::Frame, "frame", "Left", kFr, "Solid Left", "Pixels"),
    Number(Page::Frame, "frame", "Right", kFr, "Solid Right", "Pixels"),
    Number(Page::Frame, "frame", "Top", kFr, "Solid Top", "Pixels"),
    Number(Page::Frame, "frame", "Bottom", kFr, "Solid Bottom", "Pixels"),
    Row(Page::Frame, "frame", "Left Color", C::Colour, kFr, "Solid Left Color"),
    Row(Page::Frame, "frame", "Right Color", C::Colour, kFr, "Solid Right Color"),
    Row(Page::Frame, "frame", "Top Color", C::Colour, kFr, "Solid Top Color"),
    Row(Page::Frame, "frame", "Bottom Color", C::Colour, kFr, "Solid Bottom Color"),
    Slider(Page::Frame, "frame", "Opacity", kFr, "Solid Opacity", 1, 255),

    Row(Page::Watermark, "", "Watermark Type", C::List, kWm, "Do Watermark",
        "None|Watermark Text|Watermark Image"),
    Row(Page::Watermark, "text", "Text", C::Text, kWm, "Text"),
    Listed(Page::Watermark, "text", "Font", C::FontList, kWm, "Font", "Fonts"),
    Number(Page::Watermark, "text", "Font Size", kWm, "Font Size", "Points"),
    Number(Page::Watermark, "text", "Font Leading", kWm, "Font Leading", "Pixels"),
    Listed(Page::Watermark, "text", "Font Color", C::ColourList, kWm, "Font Color", "Font Colors"),
    Row(Page::Watermark, "text", "Font Style", C::List, kWm, "Font Style",
        "Regular|Bold|Italic|Bold Italic"),
    Row(Page::Watermark, "text", "Font Effect", C::List, kWm, "Font Effect",
        "None|Underline|Strikeout"),
    Row(Page::Watermark, "text", "Antialiasing", C::Check, kWm, "Text Antialiasing"),
    Row(Page::Watermark, "text", "Text Alignment", C::List, kWm, "Text Alignment",
        "Align Left|Align Center|Align Right"),
    Number(Page::Watermark, "text", "Text Padding", kWm, "Text Padding", "Pixels"),
    Slider(Page::Watermark, "text", "Text Opacity", kWm, "Text Opacity", 1, 255),
    Listed(Page::Watermark, "text", "Background Color", C::ColourList, kWm, "Back Color",
           "Back Colors"),
    Slider(Page::Watermark, "text", "Background Opacity", kWm, "Back Opacity", 1, 255),
    Row(Page::Watermark, "text", "Boundary", C::List, kWm, "Text Boundary",
        "Bound Image|Bound Frame"),
    Row(Page::Watermark, "text", "Position", C::List, kWm, "Text Position", kPositions),
    Number(Page::Watermark, "text", "X-Offset", kWm, "Text X Offset", "Pixels"),
    Number(Page::Watermark, "text", "Y-Offset", kWm, "Text Y Offset", "Pixels"),
    Slider(Page::Watermark, "text", "Rotation Angle", kWm, "Text Rotation", 0, 360),
    Row(Page::Watermark, "text", "Size", C::List, kWm, "Text Size", "Fixed"),
    Slider(Page::Watermark, "text", "Scale", kWm, "Text Scale", 1, 200),
    Row(Page::Watermark, "image", "Image", C::ImageFile, kWm, "Image"),
    Row(Page::Watermark, "image", "Image Greyscale", C::Check, kWm, "Image Greyscale"),
    Slider(Page::Watermark, "image", "Opacity", kWm, "Image Opacity", 1, 255),
    Row(Page::Watermark, "image", "Boundary", C::List, kWm, "Image Boundary",
        "Bound Image|Bound Frame"),
    Row(Page::Watermark, "image", "Position", C::List, kWm, "Image Position", kPositions),
    Number(Page::Watermark, "image", "X-Offset", kWm, "Image X Offset", "Pixels"),
    Number(Page::Watermark, "image", "Y-Offset", kWm, "Image Y Offset", "Pixels"),
    Slider(Page::Watermark, "image", "Rotation Angle", kWm, "Image Rotation", 0, 360),
    Row(Page::Watermark, "image", "Size", C::List, kWm, "Image Size", "Fixed"),
    Slider(Page::Watermark, "image", "Scale", kWm, "Image Scale", 1, 200),

    Row(Page::Advanced, "", "Filename Mask", C::Text, kAdv, "Filename Mask"),
    Row(Page::Advanced, "", "File Timestamp", C::List, kAdv, "File Timestamp",
        "Current|Original|Custom"),
    Row(Page::Advanced, "", "Custom Timestamp", C::DateTime, kAdv, "Custom Timestamp"),
    Row(Page::Advanced, "", "Out Folders History", C::List, kAdv, "Out Folders History",
        "Clean On Exit|Keep Folders"),
    Slider(Page::Advanced, "", "Out Folders Number", kAdv, "Out Folders Number", 1, 50),
    Row(Page::Advanced, "", "Keep Subfolders", C::Check, kAdv, "Keep Subfolders"),
    Row(Page::Advanced, "", "Include Subfolders", C::Check, kAdv, "Include Subfolders"),
    Slider(Page::Advanced, "", "Threads", kAdv, "Threads", 0, 64),
    Row(Page::Advanced, "", "Existing Files", C::List, kAdv, "Existing Files",
        "Existing Replace|Existing Skip|Existing Older"),
};

constexpr std::string_view kPageKeys[] = {"General", "Interface", "Input",
                                          "Output",  "Transform", "Adjustment",
                                          "Frame",   "Watermark", "Advanced"};

constexpr std::string_view kOutputPanels[] = {
    "bmp", "dds", "exr", "gif", "hdr", "ico", "j2k", "jng",  "jp2",  "jpg",  "jxr", "pbm",
    "pcx", "pfm", "pgm", "png", "ppm", "psd", "tga", "tiff", "wbmp", "webp", "xpm"};

struct NamedColour {
    std::string_view rrggbb;
    std::string_view key;
};
constexpr NamedColour kColourNames[] = {
    {"000000", "Black"},  {"C0C0C0", "Silver"}, {"808080", "Gray"},   {"FFFFFF", "White"},
    {"800000", "Maroon"}, {"FF0000", "Red"},    {"800080", "Purple"}, {"FF00FF", "Fuchsia"},
    {"008000", "Green"},  {"00FF00", "Lime"},   {"808000", "Olive"},  {"FFFF00", "Yellow"},
    {"000080", "Navy"},   {"0000FF", "Blue"},   {"008080", "Teal"},   {"00FFFF", "Aqua"},
    {"FF8000", "Orange"}, {"804000", "Brown"},  {"8000FF", "Violet"},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::span<const PreferenceRow> PreferenceRows() {
    return kRows;
}

const PreferenceRow* FindPreferenceRow(std::string_view group, std::string_view key) {
    for (const PreferenceRow& row : kRows) {
        if (row.group == group && (row.key == key || row.unitKey == key) && !key.empty()) {
            return &row;
        }
    }
    return nullptr;
}

std::span<const std::string_view> PreferencePageKeys() {
    return kPageKeys;
}
std::span<const std::string_view> OutputPanelKeys() {
    return kOutputPanels;
}

std::vector<std::string_view> SplitChoices(std::string_view choices) {
    std::vector<std::string_view> keys;
    while (!choices.empty()) {
        const std::size_t bar = choices.find('|');
        keys.push_back(choices.substr(0, bar));
        if (bar == std::string_view::npos) break;
        choices.remove_prefix(bar + 1);
    }
    return keys;
}

std::string NormalizeColour(std::string_view text) {
    if (text.size() != 6) return "000000";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string colour;
    for (std::size_t i = 0; i < 6; i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        const int value = high < 0 || low < 0 ? 0 : high * 16 + low;
        colour += kHex[value / 16];
        colour += kHex[value % 16];
    }
    return colour;
}

std::string ColourName(TextTable& texts, std::string_view rrggbb) {
    const std::string colour = NormalizeColour(rrggbb);
    for (const NamedColour& named : kColourNames) {
        if (named.rrggbb == colour) return texts.Text("Preferences", named.key);
    }
    return texts.Text("Preferences", "Color") + " #" + colour;
}

std::vector<std::string> SplitList(std::string_view list) {
    std::vector<std::string> entries;
    while (true) {
        const std::size_t comma = list.find(',');
        std::string entry = Trim(list.substr(0, comma));
        if (!entry.empty()) entries.push_back(std::move(entry));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return entries;
}

std::string AppendIfAbsent(std::string_view list, std::string_view entry,
                           bool (*same)(std::string_view, std::string_view)) {
    for (const std::string& kept : SplitList(list))
        if (same(kept, entry)) return std::string(list);
    return list.empty() ? std::string(entry) : std::string(list) + "," + std::string(entry);
}

std::string CleanFieldText(std::string_view text) {
    std::string kept;
    for (char c : text) {
        if (c != '\t' && c != '\r' && c != '\n') kept += c;
    }
    return Trim(kept);
}

int8_t ColorCorrectionNeeded(const ConversionSettings& settings) {
    const bool neutral = settings.imageBrightness == 0 && settings.imageContrast == 0 &&
                         settings.imageGamma == 1.0f && settings.imageInvert == 0;
    return neutral ? 0 : 1;
}

int32_t NumberFieldValue(std::string_view text) {
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    if (at == text.size()) return 0;
    int64_t value = 0;
    for (; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9') return 0;
        value = std::min<int64_t>(value * 10 + (text[at] - '0'), int64_t{1} << 32);
    }
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace pictorb
