#pragma once
// The watermark: rendered text or a prepared image, rotated, cropped to the space there is,
// placed at one of nine positions and blended over the picture.

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/image.h"
#include "pipeline/job_context.h"
#include "platform/canvas.h"
#include "settings/conversion_settings.h"

namespace pictorb {

// Where a watermark may go: width x height with its top-left corner at (left, top).
struct WatermarkArea {
    int64_t width = 0, height = 0, left = 0, top = 0;
};

struct WatermarkPosition {
    int64_t x = 0, y = 0;
};

// The font of "Font" at "Font Size" points (at 96 dpi; 0 means 12 points) with the style
// and effect settings; nullptr for an empty family or when no font can be loaded.
std::unique_ptr<Font> LoadWatermarkFont(const ConversionSettings& settings);

// "Text" with its mask tokens replaced; %width%, %height% and %bpp% are those of the
// width x height picture being converted and its output depth. Text with fewer than two
// "%" stays as typed.
std::string ExpandWatermarkText(const ConversionSettings& settings, const FileJob& job,
                                std::string_view depthList, unsigned width, unsigned height);
// The lines of a text split at every "%eol%", in any letter case.
std::vector<std::string> SplitWatermarkLines(std::string_view text);
// x of a line of `lineWidth` pixels in a box `boxWidth` wide, by "Text Alignment".
int AlignLine(const ConversionSettings& settings, int lineWidth, int boxWidth);
// The text box of "Text" lines as a 32-bit bitmap, or only its top-left maxWidth x
// maxHeight part; empty when nothing can be drawn.
Image RenderTextWatermark(const ConversionSettings& settings, std::string_view text,
                          const Font& font, int64_t maxWidth = INT64_MAX,
                          int64_t maxHeight = INT64_MAX);
// The watermark file prepared as a 32-bit bitmap (greyscale, opacity); empty when the file
// is missing or not a PNG, Windows bitmap or JPEG image.
Image PrepareImageWatermark(const ConversionSettings& settings);

// The watermark turned by the rotation setting of its type; only 0 < angle < 360 turns.
Image RotateWatermark(Image watermark, const ConversionSettings& settings);
// The placement area of the watermark type on a width x height picture.
WatermarkArea WatermarkAreaOf(const ConversionSettings& settings, unsigned width, unsigned height);
// The watermark cropped to its top-left part where it and its offsets would overflow the
// area; empty when no pixel is left.
Image FitWatermark(Image watermark, const ConversionSettings& settings, unsigned width,
                   unsigned height, int64_t watermarkWidth, int64_t watermarkHeight);
// The picture coordinates of the watermark's top-left corner.
WatermarkPosition PlaceWatermark(const ConversionSettings& settings, unsigned width,
                                 unsigned height, int64_t watermarkWidth, int64_t watermarkHeight);

// Blends the text (with `font`) or image watermark over the width x height picture. Any
// switched-on watermark leaves the picture 24-bit; never fails by itself.
Image DrawWatermark(Image image, unsigned width, unsigned height,
                    const ConversionSettings& settings, const FileJob& job,
                    std::string_view depthList, const Font* font);

}  // namespace pictorb
