#include "pipeline/image.h"

#include <cstring>

namespace pictorb {

Image AllocatePicture(unsigned width, unsigned height, unsigned bpp) {
    if (width == 0 || height == 0 || (bpp != 24 && bpp != 32)) return {};
    // FreeImage's row layout: bottom-up, each row padded to four bytes.
    const std::size_t pitch = (std::size_t{width} * bpp / 8 + 3) & ~std::size_t{3};
    PictureMemory memory(pitch * height);
    if (memory.Data() == nullptr) return {};
    FIBITMAP* bitmap = FreeImage_ConvertFromRawBitsEx(
        FALSE, memory.Data(), FIT_BITMAP, static_cast<int>(width), static_cast<int>(height),
        static_cast<int>(pitch), bpp, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK,
        FALSE);
    if (bitmap == nullptr) return {};
    return Image(bitmap, std::move(memory));
}

Image CopyPicture(const Image& image) {
    FIBITMAP* const source = image.get();
    if (source == nullptr) return {};
    const unsigned bpp = image.Bpp();
    if (FreeImage_GetImageType(source) != FIT_BITMAP || (bpp != 24 && bpp != 32) ||
        !FreeImage_HasPixels(source)) {
        return Image(FreeImage_Clone(source));
    }
    Image copy = AllocatePicture(image.Width(), image.Height(), bpp);
    if (!copy) return {};
    FIBITMAP* const target = copy.get();
    const std::size_t rowBytes = std::size_t{image.Width()} * bpp / 8;
    for (unsigned y = 0; y < image.Height(); ++y) {
        const int line = static_cast<int>(y);
        std::memcpy(FreeImage_GetScanLine(target, line), FreeImage_GetScanLine(source, line),
                    rowBytes);
    }
    FreeImage_SetDotsPerMeterX(target, FreeImage_GetDotsPerMeterX(source));
    FreeImage_SetDotsPerMeterY(target, FreeImage_GetDotsPerMeterY(source));
    FreeImage_SetTransparent(target, FreeImage_IsTransparent(source));
    if (const FIICCPROFILE* profile = FreeImage_GetICCProfile(source);
        profile != nullptr && profile->data != nullptr && profile->size > 0) {
        FIICCPROFILE* copied =
            FreeImage_CreateICCProfile(target, profile->data, static_cast<long>(profile->size));
        if (copied == nullptr) return {};
        copied->flags = profile->flags;
    }
    FreeImage_CloneMetadata(target, source);
    return copy;
}

}  // namespace pictorb
