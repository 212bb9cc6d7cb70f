#include "pipeline/run_checks.h"

#include "pipeline/watermark.h"
#include "platform/files.h"
#include "settings/settings.h"
#include "text/utf8.h"

namespace pictorb {

std::string RunProblemText(RunProblem problem, std::string_view outputFormat) {
    switch (problem) {
        case RunProblem::None:
            return {};
        case RunProblem::ConversionType:
            return "Invalid conversion type";
        case RunProblem::Depth:
            return "Invalid " + Utf8Lower(outputFormat) + "-bpp value";
        case RunProblem::PsdCompression:
            return "Invalid psd-compression value";
        case RunProblem::JpgQuality:
            return "Invalid jpg-quality value";
        case RunProblem::Width:
            return "Invalid width value";
        case RunProblem::Height:
            return "Invalid height value";
        case RunProblem::Brightness:
            return "Invalid brightness value";
        case RunProblem::Contrast:
            return "Invalid contrast value";
        case RunProblem::Gamma:
            return "Invalid gamma value";
        case RunProblem::WatermarkFont:
            return "Invalid watermark font";
        case RunProblem::WatermarkImage:
            return "Invalid watermark image";
    }
    return {};
}

RunProblem CheckOutputFormat(const Formats& formats, const ConversionSettings& settings,
                             std::string_view key) {
    if (!IsOutputFormat(formats, key)) return RunProblem::ConversionType;
    const int32_t* depth = BitDepthSetting(settings, key);
    if (!IsValidDepth(formats, key, depth != nullptr ? *depth : 0)) return RunProblem::Depth;
    // The compression table's other methods (ZIP, LZW, ...) are not this format's.
    if (key == "psd" && settings.psdCompression != kPsdCompressionNone &&
        settings.psdCompression != kPsdCompressionRle)
        return RunProblem::PsdCompression;
    if (key == "jpg" &&
        (settings.jpgQuality < kJpgQualityMinimum || settings.jpgQuality > kJpgQualityMaximum))
        return RunProblem::JpgQuality;
    return RunProblem::None;
}

RunProblem CheckResize(const ConversionSettings& settings) {
    if (!settings.doImageResize) return RunProblem::None;
    if (settings.imageWidth == 0) return RunProblem::Width;
    if (settings.imageHeight == 0) return RunProblem::Height;
    return RunProblem::None;
}

RunProblem CheckColorCorrection(const ConversionSettings& settings) {
    if (!settings.doImageColorCorrection) return RunProblem::None;
    if (settings.imageBrightness < -100 || settings.imageBrightness > 100)
        return RunProblem::Brightness;
    if (settings.imageContrast < -100 || settings.imageContrast > 100) return RunProblem::Contrast;
    // Written so that NaN fails too: it would poison every entry of the gamma table.
    if (!(settings.imageGamma >= 0.01f && settings.imageGamma <= 9.99f)) return RunProblem::Gamma;
    return RunProblem::None;
}

RunProblem CheckWatermark(const ConversionSettings& settings, std::unique_ptr<Font>& font) {
    if (settings.doWatermark == kWatermarkText) {
        font = LoadWatermarkFont(settings);
        return font != nullptr ? RunProblem::None : RunProblem::WatermarkFont;
    }
    if (settings.doWatermark == kWatermarkImage && QueryFileSize(settings.image) <= 0)
        return RunProblem::WatermarkImage;
    return RunProblem::None;
}

RunProblem CheckRunSettings(const Formats& formats, const ConversionSettings& settings,
                            std::string_view key) {
    for (const RunProblem problem : {CheckOutputFormat(formats, settings, key),
                                     CheckResize(settings), CheckColorCorrection(settings)}) {
        if (problem != RunProblem::None) return problem;
    }
    return RunProblem::None;
}

}  // namespace pictorb
