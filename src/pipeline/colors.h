#pragma once
// Brightness, contrast, gamma and inversion; greyscale; threshold.

#include "pipeline/image.h"
#include "settings/conversion_settings.h"

namespace pictorb {

Image AdjustImageColors(Image image, const ConversionSettings& settings);
Image MakeGreyscale(Image image, const ConversionSettings& settings);
Image ApplyThreshold(Image image, const ConversionSettings& settings);

}  // namespace pictorb
