#pragma once
// Rotation, resizing and flipping.

#include <FreeImage.h>

#include <cstdint>
#include <string_view>

#include "pipeline/image.h"
#include "settings/conversion_settings.h"

namespace pictorb {

struct Rgb {
    uint8_t red = 0, green = 0, blue = 0;
};

Rgb ParseColor(std::string_view text);  // six hex digits; any other length is black
Image RotateImage(Image image, const ConversionSettings& settings);
// `threads`: how many threads the resize may use; the pixels are the same for any number.
Image ResizeImage(Image image, unsigned width, unsigned height, const ConversionSettings& settings,
                  unsigned threads = 1);
// FreeImage_Rescale's very result, its passes split into bands on up to `threads` threads
// (24- and 32-bit pictures of a megapixel or more; others in one piece).
Image Rescale(const Image& image, int width, int height, FREE_IMAGE_FILTER filter,
              unsigned threads);
void FlipImage(const Image& image, const ConversionSettings& settings);
int32_t ScaleToUnit(int32_t value, int unit, unsigned reference);
FREE_IMAGE_FILTER FilterFromSetting(int algorithm);

}  // namespace pictorb
