#include "settings/settings_fields.h"

#include <charconv>
#include <type_traits>
#include <utility>

#include "text/ini.h"
#include "text/utf8.h"

namespace pictorb {
namespace {

using CS = ConversionSettings;

constexpr FieldDefault Number(double value) {
    return {DefaultRule::Constant, value, {}, 0};
}
constexpr FieldDefault Rule(DefaultRule rule) {
    return {rule, 0, {}, 0};
}

constexpr SettingsField I32(std::string_view group, std::string_view key, int32_t CS::*member,
                            double value = 0) {
    return {group, key, FieldKind::Int32, member, Number(value), Number(value)};
}
constexpr SettingsField I8(std::string_view group, std::string_view key, int8_t CS::*member,
                           double value = 0) {
    return {group, key, FieldKind::Int8, member, Number(value), Number(value)};
}
constexpr SettingsField F32(std::string_view group, std::string_view key, float CS::*member,
                            double value) {
    return {group, key, FieldKind::Float32, member, Number(value), Number(value)};
}
constexpr SettingsField Str(std::string_view group, std::string_view key, std::string CS::*member,
                            std::string_view value = {}) {
    const FieldDefault text{DefaultRule::Constant, 0, value, 0};
    return {group, key, FieldKind::String, member, text, text};
}
constexpr SettingsField Date(std::string_view group, std::string_view key, int32_t CS::*member) {
    return {group, key, FieldKind::Date, member, Rule(DefaultRule::Now), Rule(DefaultRule::Now)};
}
constexpr SettingsField Defaults(SettingsField field, FieldDefault setDefault,
                                 FieldDefault loadDefault) {
    field.setDefault = setDefault;
    field.loadDefault = loadDefault;
    return field;
}
constexpr SettingsField Saved(SettingsField field, FieldSave save) {
    field.save = save;
    return field;
}

constexpr std::string_view kGeneral = "General";
constexpr std::string_view kWindow = "Window";
constexpr std::string_view kInterface = "Interface";
constexpr std::string_view kInput = "Input";
constexpr std::string_view kOutput = "Output";
constexpr std::string_view kTransform = "Transform";
constexpr std::string_view kAdjustment = "Adjustment";
constexpr std::string_view kFrame = "Frame";
constexpr std::string_view kWatermark = "Watermark";
constexpr std::string_view kAdvanced = "Advanced";
constexpr std::string_view kFile = "File";
constexpr std::string_view kPrivacy = "Privacy";

// The main window's default size, also the size centred on the desktop.
constexpr int kWindowWidth = 510;
constexpr int kWindowHeight = 260;

constexpr std::string_view kSwatches =
    "000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF";

constexpr SettingsField kFields[] = {
    Saved(Defaults(I32(kGeneral, "CFG", &CS::cfg), Number(kSettingsLayoutVersion), Number(0)),
          FieldSave::LayoutVersion),
    Str(kGeneral, "Language", &CS::language, "en"),
    I32(kGeneral, "Update Range", &CS::updateRange, 2),
    Date(kGeneral, "Update Date", &CS::updateDate),
    I8(kGeneral, "Save Window Position", &CS::saveWindowPosition, 1),

    Saved(I8(kWindow, "IsMaximized", &CS::isMaximized), FieldSave::WindowState),
    Saved(Defaults(I32(kWindow, "X", &CS::windowX), Rule(DefaultRule::CentredX), Number(100)),
          FieldSave::WindowPosition),
    Saved(Defaults(I32(kWindow, "Y", &CS::windowY), Rule(DefaultRule::CentredY), Number(100)),
          FieldSave::WindowPosition),
    Saved(I32(kWindow, "Width", &CS::windowWidth, kWindowWidth), FieldSave::WindowState),
    Saved(I32(kWindow, "Height", &CS::windowHeight, kWindowHeight), FieldSave::WindowState),
    Saved(I8(kWindow, "Hide Passwords", &CS::hidePasswords), FieldSave::Never),
    Saved(I8(kWindow, "Show Single Password", &CS::showSinglePassword, 1), FieldSave::Never),
    Saved(I8(kWindow, "Show Password List", &CS::showPasswordList, 1), FieldSave::Never),
    Saved(I8(kWindow, "Show Character Set", &CS::showCharacterSet, 1), FieldSave::Never),
    Saved(I8(kWindow, "Show Advanced Options", &CS::showAdvancedOptions, 1), FieldSave::Never),

    Str(kInterface, "UI Theme", &CS::uiTheme, "handdrawn"),
    I32(kInterface, "UI Size", &CS::uiSize, 2),
    I8(kInterface, "Show Preview", &CS::showPreview, 0),

    Defaults(Str(kInput, "Format", &CS::inputFormat), Rule(DefaultRule::FirstInputFormat),
             Rule(DefaultRule::FirstInputFormat)),
    I32(kInput, "DDS Load As", &CS::ddsLoadAs),
    I32(kInput, "GIF Frame Loading", &CS::gifFrameLoading),
    I32(kInput, "ICO Frame Loading", &CS::icoFrameLoading),
    I32(kInput, "TIFF Frame Loading", &CS::tiffFrameLoading),
    I32(kInput, "RAW Load As", &CS::rawLoadAs),
    I32(kInput, "RAW Header Size", &CS::rawHeaderSize),
    I32(kInput, "RAW Image Width", &CS::rawImageWidth),
    I32(kInput, "RAW Image Height", &CS::rawImageHeight),
    I32(kInput, "RAW Tone Mapping", &CS::rawToneMapping, 2),

    Defaults(Str(kOutput, "Format", &CS::outputFormat), Rule(DefaultRule::FirstOutputFormat),
             Rule(DefaultRule::FirstOutputFormat)),
    I32(kOutput, "BMP BPP", &CS::bmpBpp),
    I32(kOutput, "BMP Compression", &CS::bmpCompression),
    I32(kOutput, "BMP Color Table", &CS::bmpColorTable),
    I32(kOutput, "DDS BPP", &CS::ddsBpp),
    I32(kOutput, "EXR BPP", &CS::exrBpp),
    I32(kOutput, "EXR Compression", &CS::exrCompression),
    I32(kOutput, "GIF BPP", &CS::gifBpp),
    I32(kOutput, "HDR BPP", &CS::hdrBpp),
    I32(kOutput, "ICO BPP", &CS::icoBpp),
    I32(kOutput, "J2K BPP", &CS::j2kBpp),
    I32(kOutput, "JNG BPP", &CS::jngBpp),
    I32(kOutput, "JP2 BPP", &CS::jp2Bpp),
    I32(kOutput, "JPG BPP", &CS::jpgBpp),
    I32(kOutput, "JPG Quality", &CS::jpgQuality, 95),
    I32(kOutput, "JPG Chroma", &CS::jpgChroma),
    I32(kOutput, "JPG Save As", &CS::jpgSaveAs),
    I32(kOutput, "JXR BPP", &CS::jxrBpp),
    I32(kOutput, "PBM BPP", &CS::pbmBpp),
    I32(kOutput, "PCX BPP", &CS::pcxBpp),
    I32(kOutput, "PFM BPP", &CS::pfmBpp),
    I32(kOutput, "PGM BPP", &CS::pgmBpp),
    I32(kOutput, "PNG BPP", &CS::pngBpp),
    I32(kOutput, "PNG Compression", &CS::pngCompression),
    I8(kOutput, "PNG Interlaced", &CS::pngInterlaced),
    I32(kOutput, "PPM BPP", &CS::ppmBpp),
    I32(kOutput, "PSD BPP", &CS::psdBpp),
    I32(kOutput, "PSD Compression", &CS::psdCompression),
    I32(kOutput, "PSD Alpha Channel", &CS::psdAlphaChannel),
    I32(kOutput, "TGA BPP", &CS::tgaBpp),
    I32(kOutput, "TGA Compression", &CS::tgaCompression),
    I32(kOutput, "TIFF BPP", &CS::tiffBpp),
    I32(kOutput, "TIFF Compression", &CS::tiffCompression),
    I32(kOutput, "TIFF Color Model", &CS::tiffColorModel),
    I32(kOutput, "WBMP BPP", &CS::wbmpBpp),
    I32(kOutput, "WEBP BPP", &CS::webpBpp),
    I32(kOutput, "XPM BPP", &CS::xpmBpp),

    I8(kTransform, "Do Image Rotation", &CS::doImageRotation),
    I8(kTransform, "Image Rotation Type", &CS::imageRotationType),
    I32(kTransform, "Image Rotation", &CS::imageRotation),
    Str(kTransform, "Image Rotation Back Color", &CS::imageRotationBackColor, "000000"),
    I8(kTransform, "Do Image Resize", &CS::doImageResize),
    I32(kTransform, "Image Width", &CS::imageWidth),
    I8(kTransform, "Image Width Unit", &CS::imageWidthUnit),
    I32(kTransform, "Image Height", &CS::imageHeight),
    I8(kTransform, "Image Height Unit", &CS::imageHeightUnit),
    Defaults(I8(kTransform, "Keep Aspect Ratio", &CS::keepAspectRatio),
             {DefaultRule::ByCaller, 1, {}, 0}, Number(1)),
    I8(kTransform, "Image Resize Type", &CS::imageResizeType),
    I8(kTransform, "Image Resize Algorithm", &CS::imageResizeAlgorithm, 3),
    I8(kTransform, "Do Image Flip Horizontal", &CS::doImageFlipHorizontal),
    I8(kTransform, "Do Image Flip Vertical", &CS::doImageFlipVertical),

    I8(kAdjustment, "Do Image Color Correction", &CS::doImageColorCorrection),
    I32(kAdjustment, "Image Brightness", &CS::imageBrightness),
    I32(kAdjustment, "Image Contrast", &CS::imageContrast),
    F32(kAdjustment, "Image Gamma", &CS::imageGamma, 1.0),
    I8(kAdjustment, "Image Invert", &CS::imageInvert),
    I8(kAdjustment, "Do Image Greyscale", &CS::doImageGreyscale),
    I8(kAdjustment, "Do Image Threshold", &CS::doImageThreshold),
    I32(kAdjustment, "Image Threshold", &CS::imageThreshold),

    I8(kFrame, "Do Frame", &CS::doFrame),
    I32(kFrame, "Solid Left", &CS::solidLeft),
    I32(kFrame, "Solid Right", &CS::solidRight),
    I32(kFrame, "Solid Top", &CS::solidTop),
    I32(kFrame, "Solid Bottom", &CS::solidBottom),
    Str(kFrame, "Solid Left Color", &CS::solidLeftColor, "000000"),
    Str(kFrame, "Solid Right Color", &CS::solidRightColor, "000000"),
    Str(kFrame, "Solid Top Color", &CS::solidTopColor, "000000"),
    Str(kFrame, "Solid Bottom Color", &CS::solidBottomColor, "000000"),
    I32(kFrame, "Solid Opacity", &CS::solidOpacity, 255),

    I8(kWatermark, "Do Watermark", &CS::doWatermark),
    Str(kWatermark, "Text", &CS::text, "Corvalen Pictorb"),
    Str(kWatermark, "Fonts", &CS::fonts, "Arial,Tahoma,Verdana"),
    Str(kWatermark, "Font", &CS::font, "Arial"),
    I32(kWatermark, "Font Size", &CS::fontSize, 14),
    I32(kWatermark, "Font Leading", &CS::fontLeading),
    Str(kWatermark, "Font Colors", &CS::fontColors, kSwatches),
    Str(kWatermark, "Font Color", &CS::fontColor, "FFFFFF"),
    I8(kWatermark, "Font Style", &CS::fontStyle),
    I8(kWatermark, "Font Effect", &CS::fontEffect),
    I8(kWatermark, "Text Antialiasing", &CS::textAntialiasing),
    I8(kWatermark, "Text Alignment", &CS::textAlignment),
    I32(kWatermark, "Text Padding", &CS::textPadding),
    I32(kWatermark, "Text Opacity", &CS::textOpacity, 255),
    Str(kWatermark, "Back Colors", &CS::backColors, kSwatches),
    Str(kWatermark, "Back Color", &CS::backColor, "000000"),
    I32(kWatermark, "Back Opacity", &CS::backOpacity, 1),
    I8(kWatermark, "Text Boundary", &CS::textBoundary),
    I8(kWatermark, "Text Position", &CS::textPosition, 8),
    I32(kWatermark, "Text X Offset", &CS::textXOffset, 10),
    I32(kWatermark, "Text Y Offset", &CS::textYOffset, 10),
    I32(kWatermark, "Text Rotation", &CS::textRotation),
    I8(kWatermark, "Text Size", &CS::textSize),
    I32(kWatermark, "Text Scale", &CS::textScale, 10),
    Str(kWatermark, "Image", &CS::image),
    I8(kWatermark, "Image Greyscale", &CS::imageGreyscale),
    I32(kWatermark, "Image Opacity", &CS::imageOpacity, 255),
    I8(kWatermark, "Image Boundary", &CS::imageBoundary),
    I8(kWatermark, "Image Position", &CS::imagePosition, 8),
    I32(kWatermark, "Image X Offset", &CS::imageXOffset, 10),
    I32(kWatermark, "Image Y Offset", &CS::imageYOffset, 10),
    I32(kWatermark, "Image Rotation", &CS::watermarkImageRotation),
    I8(kWatermark, "Image Size", &CS::imageSize),
    I32(kWatermark, "Image Scale", &CS::imageScale, 10),

    Str(kAdvanced, "Filename Mask", &CS::filenameMask, "%filename%.%ext%"),
    I8(kAdvanced, "File Timestamp", &CS::fileTimestamp),
    Date(kAdvanced, "Custom Timestamp", &CS::customTimestamp),
    I8(kAdvanced, "Out Folders History", &CS::outFoldersHistory, 1),
    I8(kAdvanced, "Out Folders Number", &CS::outFoldersNumber, 5),
    I8(kAdvanced, "Keep Subfolders", &CS::keepSubfolders, 1),
    I8(kAdvanced, "Include Subfolders", &CS::includeSubfolders),
    I32(kAdvanced, "Threads", &CS::threads),
    I8(kAdvanced, "Existing Files", &CS::existingFiles),

    Saved(Str(kFile, "TxtFields", &CS::txtFields,
              "username,password,firstname,lastname,title,sex,notes"),
          FieldSave::Never),
    Saved(Str(kFile, "CsvDelimiter", &CS::csvDelimiter, ","), FieldSave::Never),
    Str(kFile, "Recent Out Folders", &CS::recentOutFolders),
    Str(kFile, "Recent Files", &CS::recentFiles),

    I8(kPrivacy, "Clean Recent Files", &CS::cleanRecentFiles),
};

int32_t Centred(int desktopSize, int windowSize) {
    return desktopSize > windowSize ? (desktopSize - windowSize) / 2 : 100;
}

std::string FirstEntry(const std::vector<std::string>& list) {
    return list.empty() ? std::string() : list.front();
}

// A value that spans lines would break the file's structure on the next load.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return line;
}

}  // namespace

std::span<const SettingsField> SettingsFields() {
    return kFields;
}

const SettingsField* FindSettingsField(std::string_view group, std::string_view key) {
    for (const SettingsField& field : kFields) {
        if (EqualsIgnoreAsciiCase(field.group, group) && EqualsIgnoreAsciiCase(field.key, key)) {
            return &field;
        }
    }
    return nullptr;
}

std::string FieldFormat(const SettingsField& field) {
    if (field.group != kInput && field.group != kOutput) return {};
    const std::size_t blank = field.key.find(' ');
    if (blank == std::string_view::npos) return {};
    std::string format(field.key.substr(0, blank));
    for (char& c : format) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return format;
}

const int32_t* BitDepthSetting(const ConversionSettings& settings, std::string_view key) {
    for (const SettingsField& field : kFields) {
        const auto* member = std::get_if<int32_t CS::*>(&field.member);
        if (member != nullptr && field.group == kOutput && field.key.ends_with(" BPP") &&
            FieldFormat(field) == key)
            return &(settings.**member);
    }
    return nullptr;
}

int32_t* BitDepthSetting(ConversionSettings& settings, std::string_view key) {
    return const_cast<int32_t*>(BitDepthSetting(std::as_const(settings), key));
}

void ApplyDefault(ConversionSettings& settings, const SettingsField& field,
                  const FieldDefault& value, const DefaultContext& context) {
    static const Formats kThisEdition;
    const Formats& formats = context.formats != nullptr ? *context.formats : kThisEdition;
    double number = value.number;
    std::string text(value.text);
    switch (value.rule) {
        case DefaultRule::Constant:
            break;
        case DefaultRule::Now:
            number = static_cast<double>(static_cast<int32_t>(context.now));
            break;
        case DefaultRule::CentredX:
            number = Centred(context.desktopWidth, kWindowWidth);
            break;
        case DefaultRule::CentredY:
            number = Centred(context.desktopHeight, kWindowHeight);
            break;
        case DefaultRule::FirstInputFormat:
            text = FirstEntry(formats.inputList);
            break;
        case DefaultRule::FirstOutputFormat:
            text = FirstEntry(formats.outputList);
            break;
        case DefaultRule::ByCaller:
            if (context.caller == DefaultsFor::CommandLine) number = value.commandLineNumber;
            break;
    }
    std::visit(
        [&](auto member) {
            using Value = std::remove_reference_t<decltype(settings.*member)>;
            if constexpr (std::is_same_v<Value, std::string>) {
                settings.*member = text;
            } else {
                settings.*member = static_cast<Value>(number);
            }
        },
        field.member);
}

std::string FieldText(const ConversionSettings& settings, const SettingsField& field) {
    return std::visit(
        [&](auto member) -> std::string {
            const auto& value = settings.*member;
            using Value = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<Value, std::string>) {
                return OneLine(value);
            } else if constexpr (std::is_same_v<Value, float>) {
                // "%f" in the C locale, whatever the process locale says.
                char buffer[64];
                const auto result =
                    std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                  std::chars_format::fixed, 6);
                if (result.ec != std::errc()) return "0.000000";
                return std::string(buffer, result.ptr);
            } else {
                return std::to_string(static_cast<int32_t>(value));
            }
        },
        field.member);
}

void SetFieldFromText(ConversionSettings& settings, const SettingsField& field,
                      std::string_view text) {
    std::visit(
        [&](auto member) {
            using Value = std::remove_reference_t<decltype(settings.*member)>;
            if constexpr (std::is_same_v<Value, std::string>) {
                settings.*member = std::string(text);
            } else if constexpr (std::is_same_v<Value, float>) {
                settings.*member = IniToFloat(text);
            } else {
                // An 8-bit field keeps the low 8 bits of the number read (300 -> 44).
                settings.*member = static_cast<Value>(IniToInt(text));
            }
        },
        field.member);
}

}  // namespace pictorb
