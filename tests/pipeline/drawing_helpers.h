#pragma once
// Small pictures and pixel reads for the frame and watermark tests. Coordinates count from
// the top-left corner, as the stages place things.

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pipeline/image.h"

namespace pictorb::testing {

struct Colour {
    int red = 0, green = 0, blue = 0, alpha = 255;
};

inline Image MakePicture(unsigned width, unsigned height, Colour colour, unsigned bpp = 24) {
    Image image(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height),
                                   static_cast<int>(bpp), FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                   FI_RGBA_BLUE_MASK));
    RGBQUAD quad{static_cast<BYTE>(colour.blue), static_cast<BYTE>(colour.green),
                 static_cast<BYTE>(colour.red), static_cast<BYTE>(colour.alpha)};
    FreeImage_FillBackground(image.get(), &quad, 0);
    return image;
}

inline Colour PixelAt(const Image& image, unsigned x, unsigned y) {
    RGBQUAD quad{};
    FreeImage_GetPixelColor(image.get(), x, image.Height() - 1 - y, &quad);
    return {quad.rgbRed, quad.rgbGreen, quad.rgbBlue, image.Bpp() == 32 ? quad.rgbReserved : 255};
}

inline void SetPixel(const Image& image, unsigned x, unsigned y, Colour colour) {
    RGBQUAD quad{static_cast<BYTE>(colour.blue), static_cast<BYTE>(colour.green),
                 static_cast<BYTE>(colour.red), static_cast<BYTE>(colour.alpha)};
    FreeImage_SetPixelColor(image.get(), x, image.Height() - 1 - y, &quad);
}

// Colour channels (not alpha) within `tolerance` of the expectation.
inline ::testing::AssertionResult Near(Colour actual, Colour expected, int tolerance = 0) {
    if (std::abs(actual.red - expected.red) <= tolerance &&
        std::abs(actual.green - expected.green) <= tolerance &&
        std::abs(actual.blue - expected.blue) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << actual.red << "," << actual.green << "," << actual.blue << ") is not ("
           << expected.red << "," << expected.green << "," << expected.blue << ") +-" << tolerance;
}

inline bool SamePixels(const Image& a, const Image& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Bpp() != b.Bpp()) return false;
    const unsigned bytes = FreeImage_GetLine(a.get());
    for (unsigned y = 0; y < a.Height(); ++y) {
        if (std::memcmp(FreeImage_GetScanLine(a.get(), static_cast<int>(y)),
                        FreeImage_GetScanLine(b.get(), static_cast<int>(y)), bytes) != 0) {
            return false;
        }
    }
    return true;
}

inline Image Clone(const Image& image) {
    return Image(FreeImage_Clone(image.get()));
}

}  // namespace pictorb::testing
