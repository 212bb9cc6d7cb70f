// The image watermark: a PNG, Windows bitmap or JPEG file made ready to be blended.

#include <FreeImage.h>

#include <algorithm>

#include "pipeline/layer.h"
#include "pipeline/watermark.h"

namespace pictorb {

namespace {

FREE_IMAGE_FORMAT WatermarkFileFormat(const std::string& path) {
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(path.c_str());
    if (format == FIF_PNG || format == FIF_BMP || format == FIF_JPEG) return format;
    return FIF_UNKNOWN;
}

Image To32Bits(Image image) {
    if (!image) return image;
    if (FreeImage_GetImageType(image.get()) == FIT_BITMAP && image.Bpp() == 32) return image;
    FIBITMAP* converted = FreeImage_ConvertTo32Bits(image.get());
    if (converted == nullptr) {
        // 16-bit greyscale and other non-standard types go through 8 bits per sample first.
        Image standard(FreeImage_ConvertToStandardType(image.get(), TRUE));
        if (standard) converted = FreeImage_ConvertTo32Bits(standard.get());
    }
    return Image(converted);
}

// Most 32-bit bitmaps leave the fourth byte at zero; such a file is meant to be opaque.
void MakeOpaqueIfAlphaUnused(const Image& image) {
    const unsigned width = image.Width(), height = image.Height();
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(image.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) {
            if (row[x * 4 + FI_RGBA_ALPHA] != 0) return;
        }
    }
    for (unsigned y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(image.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) row[x * 4 + FI_RGBA_ALPHA] = 255;
    }
}

}  // namespace

Image PrepareImageWatermark(const ConversionSettings& settings) {
    if (settings.image.empty()) return {};
    const FREE_IMAGE_FORMAT format = WatermarkFileFormat(settings.image);
    if (format == FIF_UNKNOWN) return {};
    Image loaded(FreeImage_Load(format, settings.image.c_str(), 0));
    if (!loaded) return {};
    const bool hadAlpha = loaded.Bpp() == 32;
    Image source = To32Bits(std::move(loaded));
    if (!source) return {};
    if (format == FIF_BMP && hadAlpha) MakeOpaqueIfAlphaUnused(source);

    Canvas drawn = ImageToCanvas(source);
    if (!drawn.Valid()) return {};
    if (settings.imageGreyscale != 0) drawn.Greyscale();
    // The result starts transparent for every source, so the opacity always makes the
    // watermark translucent; an opaque black start would only darken it instead.
    Canvas result(drawn.Width(), drawn.Height());
    if (!result.Valid()) return {};
    result.DrawCanvas(drawn, 0, 0, static_cast<uint8_t>(std::clamp(settings.imageOpacity, 0, 255)));
    return CanvasToImage(result);
}

}  // namespace pictorb
