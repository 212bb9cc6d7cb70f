#pragma once
// The one record of every setting. Members follow the settings file's groups and keys; the
// field table in settings_fields.cpp names each member's group, key, kind and defaults.

#include <cstdint>
#include <string>

namespace pictorb {

// Values of enumerated settings that code decides on. The keyword tables (keywords.cpp) give
// the same values their command-line names, and the preferences list them in this order.
inline constexpr int8_t kWatermarkNone = 0;
inline constexpr int8_t kWatermarkText = 1;
inline constexpr int8_t kWatermarkImage = 2;
inline constexpr int8_t kFrameNone = 0;
inline constexpr int8_t kFrameSolid = 1;
inline constexpr int32_t kRawLoadRgb8 = 1;
inline constexpr int32_t kRawLoadRgb16 = 2;
inline constexpr int32_t kRawLoadRgb48Hs = 4;
inline constexpr int32_t kRawLoadRgb48 = 5;
inline constexpr int8_t kFontStyleRegular = 0;
inline constexpr int8_t kFontStyleBold = 1;
inline constexpr int8_t kFontStyleItalic = 2;
inline constexpr int8_t kFontStyleBoldItalic = 3;
inline constexpr int8_t kFontEffectNone = 0;
inline constexpr int8_t kFontEffectUnderline = 1;
inline constexpr int8_t kFontEffectStrikeout = 2;
inline constexpr int8_t kRotationSimple = 0;    // uncovered corners in the back colour
inline constexpr int8_t kRotationAdvanced = 1;  // turned about the centre within its size
inline constexpr int8_t kUnitPixels = 0;
inline constexpr int8_t kUnitPercent = 1;
inline constexpr int8_t kResizeAllImages = 0;
inline constexpr int8_t kResizeLargeImages = 1;  // only pictures larger than the target
inline constexpr int8_t kAlignLeft = 0;
inline constexpr int8_t kAlignCenter = 1;
inline constexpr int8_t kAlignRight = 2;
inline constexpr int8_t kBoundaryImage = 0;
inline constexpr int8_t kBoundaryFrame = 1;  // the watermark stays inside the frame
inline constexpr int8_t kSizeFixed = 0;
inline constexpr int8_t kSizeScaled = 1;  // no keyword in this edition
inline constexpr int8_t kTimestampCurrent = 0;
inline constexpr int8_t kTimestampOriginal = 1;
inline constexpr int8_t kTimestampCustom = 2;
inline constexpr int32_t kColorModelRgb = 0;
inline constexpr int32_t kColorModelCmyk = 1;
inline constexpr int32_t kColorModelLab = 2;
inline constexpr int32_t kPsdCompressionNone = 0;
inline constexpr int32_t kPsdCompressionRle = 1;
inline constexpr int32_t kPsdAlphaAlways = 0;
inline constexpr int32_t kPsdAlphaAuto = 1;  // only a picture with transparency has alpha
// "Existing Files": what a conversion does when its document exists already.
inline constexpr int8_t kExistingReplace = 0;
inline constexpr int8_t kExistingSkip = 1;
inline constexpr int8_t kExistingOlder = 2;  // replaced only when older than its input

// How redirected status lines are written (--output-encoding).
inline constexpr int8_t kOutputEncodingUtf16Le = 0;
inline constexpr int8_t kOutputEncodingUtf8 = 1;

inline bool IsBold(int32_t fontStyle) {
    return fontStyle == kFontStyleBold || fontStyle == kFontStyleBoldItalic;
}
inline bool IsItalic(int32_t fontStyle) {
    return fontStyle == kFontStyleItalic || fontStyle == kFontStyleBoldItalic;
}
inline int8_t FontStyleOf(bool bold, bool italic) {
    return bold ? (italic ? kFontStyleBoldItalic : kFontStyleBold)
                : (italic ? kFontStyleItalic : kFontStyleRegular);
}

// Ranges a value must keep, for the command line's checks and the dialog's controls alike.
inline constexpr int32_t kJpgQualityMinimum = 1;
inline constexpr int32_t kJpgQualityMaximum = 100;

struct ConversionSettings {
    // Run-time values, never written to the settings file.
    std::string settingsFilePath;

    // General
    int32_t cfg = 0;
    std::string language;
    int32_t updateRange = 0;
    int32_t updateDate = 0;
    int8_t saveWindowPosition = 0;

    // Window
    int8_t isMaximized = 0;
    int32_t windowX = 0;
    int32_t windowY = 0;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    int8_t hidePasswords = 0;
    int8_t showSinglePassword = 0;
    int8_t showPasswordList = 0;
    int8_t showCharacterSet = 0;
    int8_t showAdvancedOptions = 0;

    // Interface
    std::string uiTheme;
    int32_t uiSize = 0;
    int8_t showPreview = 0;  // the preferences dialog shows the preview panel

    // Input
    std::string inputFormat;
    int32_t ddsLoadAs = 0;
    int32_t gifFrameLoading = 0;
    int32_t icoFrameLoading = 0;
    int32_t tiffFrameLoading = 0;
    int32_t rawLoadAs = 0;
    int32_t rawHeaderSize = 0;
    int32_t rawImageWidth = 0;
    int32_t rawImageHeight = 0;
    int32_t rawToneMapping = 0;

    // Output
    std::string outputFormat;
    int32_t bmpBpp = 0;
    int32_t bmpCompression = 0;
    int32_t bmpColorTable = 0;
    int32_t ddsBpp = 0;
    int32_t exrBpp = 0;
    int32_t exrCompression = 0;
    int32_t gifBpp = 0;
    int32_t hdrBpp = 0;
    int32_t icoBpp = 0;
    int32_t j2kBpp = 0;
    int32_t jngBpp = 0;
    int32_t jp2Bpp = 0;
    int32_t jpgBpp = 0;
    int32_t jpgQuality = 0;
    int32_t jpgChroma = 0;
    int32_t jpgSaveAs = 0;
    int32_t jxrBpp = 0;
    int32_t pbmBpp = 0;
    int32_t pcxBpp = 0;
    int32_t pfmBpp = 0;
    int32_t pgmBpp = 0;
    int32_t pngBpp = 0;
    int32_t pngCompression = 0;
    int8_t pngInterlaced = 0;
    int32_t ppmBpp = 0;
    int32_t psdBpp = 0;
    int32_t psdCompression = 0;
    int32_t psdAlphaChannel = 0;
    int32_t tgaBpp = 0;
    int32_t tgaCompression = 0;
    int32_t tiffBpp = 0;
    int32_t tiffCompression = 0;
    int32_t tiffColorModel = 0;
    int32_t wbmpBpp = 0;
    int32_t webpBpp = 0;
    int32_t xpmBpp = 0;

    // Transform
    int8_t doImageRotation = 0;
    int8_t imageRotationType = 0;
    int32_t imageRotation = 0;
    std::string imageRotationBackColor;
    int8_t doImageResize = 0;
    int32_t imageWidth = 0;
    int8_t imageWidthUnit = 0;
    int32_t imageHeight = 0;
    int8_t imageHeightUnit = 0;
    int8_t keepAspectRatio = 0;
    int8_t imageResizeType = 0;
    int8_t imageResizeAlgorithm = 0;
    int8_t doImageFlipHorizontal = 0;
    int8_t doImageFlipVertical = 0;

    // Adjustment
    int8_t doImageColorCorrection = 0;
    int32_t imageBrightness = 0;
    int32_t imageContrast = 0;
    float imageGamma = 0.0f;
    int8_t imageInvert = 0;
    int8_t doImageGreyscale = 0;
    int8_t doImageThreshold = 0;
    int32_t imageThreshold = 0;

    // Frame
    int8_t doFrame = 0;
    int32_t solidLeft = 0;
    int32_t solidRight = 0;
    int32_t solidTop = 0;
    int32_t solidBottom = 0;
    std::string solidLeftColor;
    std::string solidRightColor;
    std::string solidTopColor;
    std::string solidBottomColor;
    int32_t solidOpacity = 0;

    // Watermark
    int8_t doWatermark = 0;
    std::string text;
    std::string fonts;
    std::string font;
    int32_t fontSize = 0;
    int32_t fontLeading = 0;
    std::string fontColors;
    std::string fontColor;
    int8_t fontStyle = 0;
    int8_t fontEffect = 0;
    int8_t textAntialiasing = 0;
    int8_t textAlignment = 0;
    int32_t textPadding = 0;
    int32_t textOpacity = 0;
    std::string backColors;
    std::string backColor;
    int32_t backOpacity = 0;
    int8_t textBoundary = 0;
    int8_t textPosition = 0;
    int32_t textXOffset = 0;
    int32_t textYOffset = 0;
    int32_t textRotation = 0;
    int8_t textSize = 0;
    int32_t textScale = 0;
    std::string image;
    int8_t imageGreyscale = 0;
    int32_t imageOpacity = 0;
    int8_t imageBoundary = 0;
    int8_t imagePosition = 0;
    int32_t imageXOffset = 0;
    int32_t imageYOffset = 0;
    int32_t watermarkImageRotation = 0;  // "Image Rotation" in group "Watermark"
    int8_t imageSize = 0;
    int32_t imageScale = 0;

    // Advanced
    std::string filenameMask;
    int8_t fileTimestamp = 0;
    int32_t customTimestamp = 0;
    int8_t outFoldersHistory = 0;
    int8_t outFoldersNumber = 0;
    int8_t keepSubfolders = 0;
    int8_t includeSubfolders = 0;  // a folder's subfolders are converted too
    int32_t threads = 0;           // files converted at once; 0 = one per CPU
    int8_t existingFiles = 0;      // kExistingReplace, kExistingSkip or kExistingOlder

    // File
    std::string txtFields;
    std::string csvDelimiter;
    std::string recentOutFolders;
    std::string recentFiles;

    // Privacy
    int8_t cleanRecentFiles = 0;
};

}  // namespace pictorb
