#include "pipeline/colors.h"

#include <utility>

namespace pictorb {

namespace {

// FreeImage's greyscale and threshold conversions take standard bitmaps of up to 32 bits.
Image AtMost32Bits(Image image) {
    if (image.Bpp() > 32) image = Image(FreeImage_ConvertTo24Bits(image.get()));
    return image;
}

}  // namespace

Image AdjustImageColors(Image image, const ConversionSettings& settings) {
    if (!image || !settings.doImageColorCorrection) return image;
    // The colour curves work on 8-, 24- and 32-bit pixels only. A 16-bit image would come
    // back unadjusted while the job reports success, so it goes to 24 bits like the rest.
    const unsigned bpp = image.Bpp();
    if (bpp != 8 && bpp != 24 && bpp != 32) {
        image = Image(FreeImage_ConvertTo24Bits(image.get()));
        if (!image) return image;
    }
    FreeImage_AdjustColors(image.get(), settings.imageBrightness, settings.imageContrast,
                           static_cast<double>(settings.imageGamma),
                           settings.imageInvert ? TRUE : FALSE);
    return image;
}

Image MakeGreyscale(Image image, const ConversionSettings& settings) {
    if (!image || !settings.doImageGreyscale) return image;
    image = AtMost32Bits(std::move(image));
    if (!image) return image;
    return Image(FreeImage_ConvertToGreyscale(image.get()));
}

Image ApplyThreshold(Image image, const ConversionSettings& settings) {
    if (!image || !settings.doImageThreshold) return image;
    image = AtMost32Bits(std::move(image));
    if (!image) return image;
    // Only the low byte of the setting counts: 300 acts as 44.
    const auto level = static_cast<BYTE>(settings.imageThreshold & 0xFF);
    return Image(FreeImage_Threshold(image.get(), level));
}

}  // namespace pictorb
