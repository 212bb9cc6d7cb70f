#include "pipeline/psd_planes.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "pipeline/image.h"

namespace pictorb::psd {
namespace {

// About this many bytes per plane and band: large writes, small buffers.
constexpr std::size_t kBandBytes = std::size_t{256} << 10;

std::size_t Index(Plane plane) {
    return static_cast<std::size_t>(plane);
}

// Splits blue-green-red(-alpha) pixels, FreeImage's order, into planes; 3-byte pixels are
// opaque.
template <int kBytes>
[[gnu::always_inline]] inline void SplitPixels(const uint8_t* __restrict src, unsigned width,
                                               uint8_t* __restrict red, uint8_t* __restrict green,
                                               uint8_t* __restrict blue,
                                               uint8_t* __restrict alpha) {
    for (unsigned x = 0; x < width; ++x, src += kBytes) {
        red[x] = src[FI_RGBA_RED];
        green[x] = src[FI_RGBA_GREEN];
        blue[x] = src[FI_RGBA_BLUE];
        alpha[x] = kBytes == 4 ? src[FI_RGBA_ALPHA] : uint8_t{0xFF};
    }
}

// c x a / 255 + 255 x (1 - a / 255), rounded: (c a + 255 (255 - a) + 127) / 255 has no ties.
[[gnu::always_inline]] inline void MattePixels(const uint8_t* __restrict colour,
                                               const uint8_t* __restrict alpha, std::size_t count,
                                               uint8_t* __restrict out) {
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned a = alpha[i];
        out[i] = static_cast<uint8_t>((colour[i] * a + 255 * (255 - a) + 127) / 255);
    }
}

void Split3(const uint8_t* src, unsigned width, uint8_t* r, uint8_t* g, uint8_t* b, uint8_t* a) {
    SplitPixels<3>(src, width, r, g, b, a);
}
void Split4(const uint8_t* src, unsigned width, uint8_t* r, uint8_t* g, uint8_t* b, uint8_t* a) {
    SplitPixels<4>(src, width, r, g, b, a);
}
void Matte(const uint8_t* colour, const uint8_t* alpha, std::size_t count, uint8_t* out) {
    MattePixels(colour, alpha, count, out);
}

using SplitFunction = void (*)(const uint8_t*, unsigned, uint8_t*, uint8_t*, uint8_t*, uint8_t*);
using MatteFunction = void (*)(const uint8_t*, const uint8_t*, std::size_t, uint8_t*);

// Splitting is most of the writer's own time. The byte shuffles that do it 16 pixels at a time
// need SSSE3, which the x86-64 baseline lacks: the same loops are built for it as well and
// chosen at run time.
#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("ssse3")]] void Split3Ssse3(const uint8_t* src, unsigned width, uint8_t* r,
                                          uint8_t* g, uint8_t* b, uint8_t* a) {
    SplitPixels<3>(src, width, r, g, b, a);
}
[[gnu::target("ssse3")]] void Split4Ssse3(const uint8_t* src, unsigned width, uint8_t* r,
                                          uint8_t* g, uint8_t* b, uint8_t* a) {
    SplitPixels<4>(src, width, r, g, b, a);
}
[[gnu::target("ssse3")]] void MatteSsse3(const uint8_t* colour, const uint8_t* alpha,
                                         std::size_t count, uint8_t* out) {
    MattePixels(colour, alpha, count, out);
}
bool HaveSsse3() {
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}
SplitFunction SplitFor(int bytes) {
    if (HaveSsse3()) return bytes == 4 ? Split4Ssse3 : Split3Ssse3;
    return bytes == 4 ? Split4 : Split3;
}
MatteFunction MatteFor() {
    return HaveSsse3() ? MatteSsse3 : Matte;
}
#else
SplitFunction SplitFor(int bytes) {
    return bytes == 4 ? Split4 : Split3;
}
MatteFunction MatteFor() {
    return Matte;
}
#endif

bool IsPlain(FIBITMAP* picture, unsigned bpp) {
    return FreeImage_GetImageType(picture) == FIT_BITMAP && FreeImage_GetBPP(picture) == bpp;
}

}  // namespace

PictureBands::PictureBands(FIBITMAP* picture)
    : picture_(picture),
      width_(FreeImage_GetWidth(picture)),
      height_(FreeImage_GetHeight(picture)),
      bandRows_(static_cast<unsigned>(
          std::clamp<std::size_t>(kBandBytes / std::max(width_, 1u), 1, std::max(height_, 1u)))) {}

bool PictureBands::HasTransparency() {
    if (IsPlain(picture_, 24)) return false;
    // Palettes without a transparency table convert to alpha 255.
    if (FreeImage_GetImageType(picture_) == FIT_BITMAP && FreeImage_GetBPP(picture_) <= 8 &&
        !FreeImage_IsTransparent(picture_))
        return false;
    if (IsPlain(picture_, 32)) {
        for (unsigned y = 0; y < height_; ++y) {
            const uint8_t* pixel = FreeImage_GetScanLine(picture_, static_cast<int>(y));
            uint8_t alpha = 0xFF;
            for (unsigned x = 0; x < width_; ++x, pixel += 4) alpha &= pixel[FI_RGBA_ALPHA];
            if (alpha != 0xFF) return true;
        }
        return false;
    }
    for (unsigned top = 0; top < height_; top += bandRows_) {
        if (!Read(top, std::min(bandRows_, height_ - top), false)) return false;
        const std::span<const uint8_t> alpha = Rows(Plane::Alpha);
        if (std::any_of(alpha.begin(), alpha.end(), [](uint8_t a) { return a != 0xFF; }))
            return true;
    }
    return false;
}

bool PictureBands::Read(unsigned top, unsigned count, bool matted) {
    const std::size_t bandSize = std::size_t{width_} * bandRows_;
    try {
        for (std::size_t p = 0; p < kPlaneCount; ++p) {
            const bool needed = p <= Index(Plane::Alpha) || matted;
            if (needed && planes_[p].size() != bandSize) planes_[p].resize(bandSize);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    const auto split = [&](int bytes, FIBITMAP* rows, unsigned rowsHeight, unsigned first) {
        const SplitFunction function = SplitFor(bytes);
        for (unsigned i = 0; i < count; ++i) {
            // FreeImage keeps rows bottom-up.
            const uint8_t* src =
                FreeImage_GetScanLine(rows, static_cast<int>(rowsHeight - 1 - (first + i)));
            const std::size_t at = std::size_t{i} * width_;
            function(src, width_, planes_[Index(Plane::Red)].data() + at,
                     planes_[Index(Plane::Green)].data() + at,
                     planes_[Index(Plane::Blue)].data() + at,
                     planes_[Index(Plane::Alpha)].data() + at);
        }
    };
    if (IsPlain(picture_, 24) || IsPlain(picture_, 32)) {
        split(static_cast<int>(FreeImage_GetBPP(picture_) / 8), picture_, height_, top);
    } else {
        // A view shares the picture's pixels; only the band is converted.
        Image view(FreeImage_CreateView(picture_, 0, top, width_, top + count));
        if (!view) return false;
        // A view takes the transparency table but turns transparency on whenever it has one.
        FreeImage_SetTransparent(view.get(), FreeImage_IsTransparent(picture_));
        Image band(FreeImage_ConvertTo32Bits(view.get()));
        if (!band || band.Bpp() != 32) return false;
        split(4, band.get(), count, 0);
    }
    rows_ = count;
    if (matted) {
        const MatteFunction matte = MatteFor();
        const std::size_t size = std::size_t{width_} * count;
        const uint8_t* alpha = planes_[Index(Plane::Alpha)].data();
        matte(planes_[Index(Plane::Red)].data(), alpha, size,
              planes_[Index(Plane::MattedRed)].data());
        matte(planes_[Index(Plane::Green)].data(), alpha, size,
              planes_[Index(Plane::MattedGreen)].data());
        matte(planes_[Index(Plane::Blue)].data(), alpha, size,
              planes_[Index(Plane::MattedBlue)].data());
    }
    return true;
}

std::span<const uint8_t> PictureBands::Rows(Plane plane) const {
    return {planes_[Index(plane)].data(), std::size_t{width_} * rows_};
}

std::size_t PackBits(std::span<const uint8_t> row, uint8_t* out) {
    constexpr std::size_t kLongest = 128;
    const std::size_t size = row.size();
    const uint8_t* in = row.data();
    uint8_t* const start = out;
    std::size_t i = 0;
    while (i < size) {
        std::size_t run = 1;
        while (i + run < size && run < kLongest && in[i + run] == in[i]) ++run;
        if (run >= 3) {
            *out++ = static_cast<uint8_t>(257 - run);  // -(run - 1) as a signed byte
            *out++ = in[i];
            i += run;
            continue;
        }
        // Literals until three equal bytes begin (two would cost as much as they save).
        const std::size_t first = i;
        while (i < size && i - first < kLongest &&
               !(i + 2 < size && in[i] == in[i + 1] && in[i] == in[i + 2]))
            ++i;
        const std::size_t count = i - first;
        *out++ = static_cast<uint8_t>(count - 1);
        std::memcpy(out, in + first, count);
        out += count;
    }
    return static_cast<std::size_t>(out - start);
}

}  // namespace pictorb::psd
