#pragma once
// The solid frame: four coloured bands over the picture's edges, mitred at the corners.

#include <string_view>

#include "pipeline/image.h"
#include "platform/canvas.h"
#include "settings/conversion_settings.h"

namespace pictorb {

// The colour of a six-digit hex text (black for any other length) with `alpha` (clamped to
// 0..255).
Rgba ParseColorAlpha(std::string_view text, int alpha);
// Paints the frame of the Frame settings over the width x height picture, blended at
// "Solid Opacity". Any switched-on frame leaves the picture 24-bit; never fails by itself.
Image DrawSolidFrame(Image image, unsigned width, unsigned height,
                     const ConversionSettings& settings);

}  // namespace pictorb
