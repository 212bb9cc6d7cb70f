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
Image ResizeImage(Image image, unsigned width, unsigned height, const ConversionSettings& settings);
void FlipImage(const Image& image, const ConversionSettings& settings);
int32_t ScaleToUnit(int32_t value, int unit, unsigned reference);
FREE_IMAGE_FILTER FilterFromSetting(int algorithm);

}  // namespace pictorb
