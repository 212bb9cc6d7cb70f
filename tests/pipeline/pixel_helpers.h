#pragma once
// Pixel reads for the stage tests. Rows count from the top, as one looks at the picture;
// FreeImage counts from the bottom.

#include <FreeImage.h>

#include <ostream>

#include "pipeline/image.h"

namespace pictorb::stagetest {

struct Colour {
    int red, green, blue;
    bool operator==(const Colour&) const = default;
};

inline void PrintTo(const Colour& c, std::ostream* os) {
    *os << "(" << c.red << "," << c.green << "," << c.blue << ")";
}

// The colour of a pixel, through the palette for pictures of 8 bits or fewer.
inline Colour PixelAt(const Image& image, unsigned x, unsigned y) {
    FIBITMAP* dib = image.get();
    const unsigned row = image.Height() - 1 - y;
    RGBQUAD quad{};
    if (image.Bpp() <= 8) {
        BYTE index = 0;
        FreeImage_GetPixelIndex(dib, x, row, &index);
        quad = FreeImage_GetPalette(dib)[index];
    } else {
        FreeImage_GetPixelColor(dib, x, row, &quad);
    }
    return {quad.rgbRed, quad.rgbGreen, quad.rgbBlue};
}

}  // namespace pictorb::stagetest
