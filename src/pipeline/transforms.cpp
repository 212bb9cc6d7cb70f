#include "pipeline/transforms.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

namespace pictorb {

namespace {

// Value of one code point as a hexadecimal digit, or -1.
int HexDigit(char32_t c) {
    if (c >= U'0' && c <= U'9') return static_cast<int>(c - U'0');
    if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a') + 10;
    if (c >= U'A' && c <= U'F') return static_cast<int>(c - U'A') + 10;
    return -1;
}

// One colour component from two digits, read as far as they are hexadecimal ("1z" is 1).
uint8_t HexPair(int high, int low) {
    if (high < 0) return 0;
    if (low < 0) return static_cast<uint8_t>(high);
    return static_cast<uint8_t>(high * 16 + low);
}

int32_t ClampToInt32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

// The shorter side of a keep-aspect resize: halves away from zero, never below one pixel
// (a thin strip would otherwise shrink to nothing and fail the job).
int ShorterSide(int32_t longerTarget, float ratio) {
    const float exact = static_cast<float>(longerTarget) / ratio;
    if (!(exact < static_cast<float>(std::numeric_limits<int32_t>::max()))) {
        return std::numeric_limits<int32_t>::max();
    }
    const long rounded = std::lround(exact);
    return rounded < 1 ? 1 : static_cast<int>(rounded);
}

}  // namespace

Rgb ParseColor(std::string_view text) {
    // Six characters, counted as code points; non-ASCII ones are simply not hex digits.
    int digits[6] = {};
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80) continue;  // continuation byte of the same code point
        if (count == 6) return {};
        digits[count++] = byte < 0x80 ? HexDigit(byte) : -1;
    }
    if (count != 6) return {};
    return {HexPair(digits[0], digits[1]), HexPair(digits[2], digits[3]),
            HexPair(digits[4], digits[5])};
}

Image RotateImage(Image image, const ConversionSettings& settings) {
    if (!image || !settings.doImageRotation) return image;
    const int32_t angle = settings.imageRotation;
    if (angle <= 0 || angle >= 360) return image;
    if (settings.imageRotationType != kRotationSimple &&
        settings.imageRotationType != kRotationAdvanced)
        return image;

    // Rotation works on true-colour images only; palettes and 16-bit layouts go to 24 bits.
    const unsigned bpp = image.Bpp();
    if (bpp <= 16 || bpp > 32) {
        image = Image(FreeImage_ConvertTo24Bits(image.get()));
        if (!image) return image;
    }

    if (settings.imageRotationType == kRotationSimple) {
        const Rgb back = ParseColor(settings.imageRotationBackColor);
        RGBQUAD background{};
        background.rgbRed = back.red;
        background.rgbGreen = back.green;
        background.rgbBlue = back.blue;
        background.rgbReserved = 0;
        return Image(FreeImage_Rotate(image.get(), angle, &background));
    }
    const double xOrigin = image.Width() / 2.0;
    const double yOrigin = image.Height() / 2.0;
    return Image(FreeImage_RotateEx(image.get(), angle, 0.0, 0.0, xOrigin, yOrigin, FALSE));
}

int32_t ScaleToUnit(int32_t value, int unit, unsigned reference) {
    if (unit == kUnitPixels) return value;
    if (unit != kUnitPercent) return 0;
    // The default rounding mode: to nearest, ties to even (2.5 gives 2, 3.5 gives 4).
    return ClampToInt32(std::nearbyint(static_cast<double>(value) / 100.0 * reference));
}

namespace {

// Below this many source pixels threads cost more than they save.
constexpr uint64_t kMinPixelsForThreads = uint64_t{1} << 20;
constexpr unsigned kBandsPerThread = 4;

// Runs `band(i)` for i in [0, count) on up to `threads` threads, this one among them; false
// when a band failed.
template <typename Band>
bool RunBands(unsigned count, unsigned threads, const Band& band) {
    std::atomic<unsigned> next{0};
    std::atomic<bool> failed{false};
    const auto work = [&] {
        for (unsigned i; !failed && (i = next++) < count;) {
            if (!band(i)) failed = true;
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads: the ones started take every band
        }
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    return !failed;
}

// One filtering pass of FreeImage's resize, from `src` into `dst` (same depth): across the
// rows when the widths differ, else down the columns. The pass treats each row (or column)
// on its own, so bands of them may be filtered side by side.
bool RescalePass(FIBITMAP* src, FIBITMAP* dst, FREE_IMAGE_FILTER filter, unsigned threads) {
    const unsigned srcWidth = FreeImage_GetWidth(src), srcHeight = FreeImage_GetHeight(src);
    const unsigned dstWidth = FreeImage_GetWidth(dst), dstHeight = FreeImage_GetHeight(dst);
    const unsigned pixelBytes = FreeImage_GetBPP(dst) / 8;
    const bool across = srcWidth != dstWidth;
    const unsigned lines = across ? srcHeight : srcWidth;
    const unsigned bands = std::min(lines, threads * kBandsPerThread);
    return RunBands(bands, threads, [&](unsigned i) {
        const unsigned first = static_cast<unsigned>(uint64_t{lines} * i / bands);
        const unsigned count = static_cast<unsigned>(uint64_t{lines} * (i + 1) / bands) - first;
        // A view of the band's rows (from the top) or columns, sharing the pixels.
        Image view(across ? FreeImage_CreateView(src, 0, first, srcWidth, first + count)
                          : FreeImage_CreateView(src, first, 0, first + count, srcHeight));
        if (!view) return false;
        Image band(FreeImage_Rescale(view.get(), static_cast<int>(across ? dstWidth : count),
                                     static_cast<int>(across ? count : dstHeight), filter));
        if (!band) return false;
        // FreeImage keeps its scan lines bottom-up.
        const unsigned bottom = across ? srcHeight - first - count : 0;
        const std::size_t left = across ? 0 : std::size_t{first} * pixelBytes;
        const std::size_t rowBytes = std::size_t{band.Width()} * pixelBytes;
        for (unsigned y = 0; y < band.Height(); ++y) {
            std::memcpy(FreeImage_GetScanLine(dst, static_cast<int>(bottom + y)) + left,
                        FreeImage_GetScanLine(band.get(), static_cast<int>(y)), rowBytes);
        }
        return true;
    });
}

}  // namespace

Image Rescale(const Image& image, int width, int height, FREE_IMAGE_FILTER filter,
              unsigned threads) {
    FIBITMAP* src = image.get();
    const unsigned bpp = image.Bpp();
    const bool plain =
        src != nullptr && FreeImage_GetImageType(src) == FIT_BITMAP && (bpp == 24 || bpp == 32);
    if (threads < 2 || !plain || width <= 0 || height <= 0 ||
        uint64_t{image.Width()} * image.Height() < kMinPixelsForThreads) {
        return Image(FreeImage_Rescale(src, width, height, filter));
    }
    const unsigned srcWidth = image.Width(), srcHeight = image.Height();
    const auto dstWidth = static_cast<unsigned>(width), dstHeight = static_cast<unsigned>(height);
    if (srcWidth == dstWidth && srcHeight == dstHeight)
        return Image(FreeImage_Rescale(src, width, height, filter));
    // FreeImage's order: across first when the picture narrows, down first when it widens,
    // with the samples kept at the picture's depth between the two.
    const auto allocate = [bpp](unsigned w, unsigned h) { return AllocatePicture(w, h, bpp); };
    Image result = allocate(dstWidth, dstHeight);
    if (!result) return {};
    if (srcWidth == dstWidth || srcHeight == dstHeight) {
        if (!RescalePass(src, result.get(), filter, threads)) return {};
    } else {
        Image between =
            dstWidth <= srcWidth ? allocate(dstWidth, srcHeight) : allocate(srcWidth, dstHeight);
        if (!between || !RescalePass(src, between.get(), filter, threads) ||
            !RescalePass(between.get(), result.get(), filter, threads)) {
            return {};
        }
    }
    FreeImage_CloneMetadata(result.get(), src);
    return result;
}

Image ResizeImage(Image image, unsigned width, unsigned height, const ConversionSettings& settings,
                  unsigned threads) {
    if (!image || !settings.doImageResize) return image;
    const int32_t targetWidth = ScaleToUnit(settings.imageWidth, settings.imageWidthUnit, width);
    const int32_t targetHeight =
        ScaleToUnit(settings.imageHeight, settings.imageHeightUnit, height);
    if (targetWidth <= 0 || targetHeight <= 0) return image;
    if (width == 0 || height == 0) return image;
    if (width == static_cast<unsigned>(targetWidth) &&
        height == static_cast<unsigned>(targetHeight)) {
        return image;
    }
    if (settings.imageResizeType == kResizeLargeImages &&
        width < static_cast<unsigned>(targetWidth) &&
        height < static_cast<unsigned>(targetHeight)) {
        return image;
    }

    int newWidth = targetWidth;
    int newHeight = targetHeight;
    if (settings.keepAspectRatio) {
        // Only the target along the longer side counts; the other side follows the ratio.
        if (width >= height) {
            const float ratio = static_cast<float>(width) / static_cast<float>(height);
            newHeight = ShorterSide(targetWidth, ratio);
        } else {
            const float ratio = static_cast<float>(height) / static_cast<float>(width);
            newWidth = ShorterSide(targetHeight, ratio);
        }
    }
    return Rescale(image, newWidth, newHeight, FilterFromSetting(settings.imageResizeAlgorithm),
                   threads);
}

FREE_IMAGE_FILTER FilterFromSetting(int algorithm) {
    switch (algorithm) {
        case 0:
            return FILTER_BOX;
        case 1:
            return FILTER_BILINEAR;
        case 2:
            return FILTER_BSPLINE;
        case 4:
            return FILTER_CATMULLROM;
        case 5:
            return FILTER_LANCZOS3;
        default:
            return FILTER_BICUBIC;
    }
}

void FlipImage(const Image& image, const ConversionSettings& settings) {
    if (!image) return;
    if (settings.doImageFlipHorizontal) FreeImage_FlipHorizontal(image.get());
    if (settings.doImageFlipVertical) FreeImage_FlipVertical(image.get());
}

}  // namespace pictorb
