#include "pipeline/layer.h"

#include <FreeImage.h>

#include <cstring>

namespace pictorb {

namespace {

bool IsBitmapOfDepth(const Image& image, unsigned bpp) {
    return image && FreeImage_GetImageType(image.get()) == FIT_BITMAP && image.Bpp() == bpp &&
           FreeImage_HasPixels(image.get());
}

}  // namespace

Image ConvertTo24Bits(Image image) {
    if (!image || IsBitmapOfDepth(image, 24)) return image;
    FIBITMAP* converted = FreeImage_ConvertTo24Bits(image.get());
    if (converted == nullptr) return image;
    return Image(converted);
}

Image CanvasToImage(const Canvas& canvas) {
    if (!canvas.Valid()) return {};
    const unsigned width = canvas.Width();
    const unsigned height = canvas.Height();
    Image image(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 32,
                                   FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
    if (!image) return {};
    // FreeImage keeps rows bottom-up: the canvas's top row is the last scan line.
    const auto pitch = static_cast<std::ptrdiff_t>(FreeImage_GetPitch(image.get()));
    canvas.ExportBgra(FreeImage_GetScanLine(image.get(), static_cast<int>(height) - 1), -pitch);
    return image;
}

Canvas ImageToCanvas(const Image& image) {
    if (!IsBitmapOfDepth(image, 32)) return Canvas(0, 0);
    const unsigned height = image.Height();
    const auto pitch = static_cast<std::ptrdiff_t>(FreeImage_GetPitch(image.get()));
    return Canvas::FromBgra(image.Width(), height,
                            FreeImage_GetScanLine(image.get(), static_cast<int>(height) - 1),
                            -pitch);
}

bool CompositeLayer(const Image& picture, const Image& layer, int64_t left, int64_t top) {
    if (!IsBitmapOfDepth(picture, 24) || !IsBitmapOfDepth(layer, 32)) return false;
    const int64_t width = layer.Width();
    const int64_t height = layer.Height();
    const int64_t pictureHeight = picture.Height();
    if (left < 0 || top < 0 || left + width > picture.Width() || top + height > pictureHeight) {
        return false;
    }
    for (int64_t row = 0; row < height; ++row) {
        const BYTE* fg = FreeImage_GetScanLine(layer.get(), static_cast<int>(height - 1 - row));
        BYTE* bg = FreeImage_GetScanLine(picture.get(),
                                         static_cast<int>(pictureHeight - 1 - (top + row))) +
                   left * 3;
        for (int64_t x = 0; x < width; ++x, fg += 4, bg += 3) {
            const unsigned alpha = fg[FI_RGBA_ALPHA];
            if (alpha == 0) continue;
            if (alpha == 255) {
                std::memcpy(bg, fg, 3);  // blue, green, red in both layouts
                continue;
            }
            // FreeImage_Composite's own rounding: (a * fg + (255 - a) * bg) >> 8.
            const unsigned notAlpha = 255 - alpha;
            bg[0] = static_cast<BYTE>((alpha * fg[0] + notAlpha * bg[0]) >> 8);
            bg[1] = static_cast<BYTE>((alpha * fg[1] + notAlpha * bg[1]) >> 8);
            bg[2] = static_cast<BYTE>((alpha * fg[2] + notAlpha * bg[2]) >> 8);
        }
    }
    return true;
}

}  // namespace pictorb
