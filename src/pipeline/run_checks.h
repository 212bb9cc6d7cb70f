#pragma once
// The checks before a run that the command line and the window share: values a run cannot start
// with. Each face runs them in its own order, between its own checks, and words what they find
// in its own way; RunProblemText is the command line's wording.

#include <memory>
#include <string>
#include <string_view>

#include "formats/formats.h"
#include "settings/conversion_settings.h"

namespace pictorb {

class Font;  // platform/canvas.h

// What a check found, in the order the command line checks.
enum class RunProblem {
    None,
    ConversionType,  // not an output format of this edition
    Depth,           // a bit depth the output format cannot write
    PsdCompression,  // a compression the document format does not have
    JpgQuality,
    Width,  // a resize to no width or height
    Height,
    Brightness,  // a colour adjustment out of its range
    Contrast,
    Gamma,
    WatermarkFont,   // the text watermark's font cannot be loaded
    WatermarkImage,  // the image watermark's file is missing or empty
};

// The command line's reason: "Invalid psd-bpp value" (the key names the output format).
std::string RunProblemText(RunProblem problem, std::string_view outputFormat);

// The output format `key` and its depth and save options.
RunProblem CheckOutputFormat(const Formats& formats, const ConversionSettings& settings,
                             std::string_view key);
// The resize target, when resizing is on.
RunProblem CheckResize(const ConversionSettings& settings);
// Brightness, contrast and gamma, when colour correction is on.
RunProblem CheckColorCorrection(const ConversionSettings& settings);
// The watermark that is on: a text watermark's font is loaded into `font`, to be held for the
// whole run.
RunProblem CheckWatermark(const ConversionSettings& settings, std::unique_ptr<Font>& font);

// Every check above but the watermark's, in the command line's order: the first problem.
RunProblem CheckRunSettings(const Formats& formats, const ConversionSettings& settings,
                            std::string_view key);

}  // namespace pictorb
