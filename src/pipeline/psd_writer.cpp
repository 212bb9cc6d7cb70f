#include "pipeline/psd_writer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/output_file.h"

namespace pictorb {
namespace {

// Rows converted per band for the depths that go through FreeImage's own 32-bit conversion.
constexpr unsigned kBandRows = 64;
// Pictures whose halves are at least this many bytes of the copy are filled by two threads.
constexpr std::size_t kParallelBytes = std::size_t{8} << 20;

// 32-bit blue, green, red, alpha to red, green, blue, alpha; returns all alpha values ANDed
// (255 for an opaque row).
uint8_t CopyRow32(const uint8_t* src, uint8_t* dst, unsigned width) {
    uint8_t alpha = 0xFF;
    for (unsigned x = 0; x < width; ++x, src += 4, dst += 4) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        dst[3] = src[3];
        alpha &= src[3];
    }
    return alpha;
}

// 24-bit blue, green, red to opaque red, green, blue, alpha, as FreeImage's conversion does.
void CopyRow24(const uint8_t* src, uint8_t* dst, unsigned width) {
    for (unsigned x = 0; x < width; ++x, src += 3, dst += 4) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
        dst[3] = 0xFF;
    }
}

// Palette, 16-bit and wide-channel pictures go through FreeImage's own 32-bit conversion, one
// band of rows at a time (a view shares the pixels), so no full-size 32-bit copy is made.
bool FillRowsByBands(FIBITMAP* dib, uint8_t* out, uint8_t& alpha) {
    const unsigned width = FreeImage_GetWidth(dib);
    const unsigned height = FreeImage_GetHeight(dib);
    const std::size_t rowBytes = std::size_t{width} * 4;
    for (unsigned top = 0; top < height; top += kBandRows) {
        const unsigned bottom = std::min(height, top + kBandRows);
        Image view(FreeImage_CreateView(dib, 0, top, width, bottom));
        if (!view) return false;
        // A view takes the transparency table but turns transparency on whenever it has one.
        FreeImage_SetTransparent(view.get(), FreeImage_IsTransparent(dib));
        Image band(FreeImage_ConvertTo32Bits(view.get()));
        if (!band || band.Bpp() != 32) return false;
        // Band rows are stored bottom-up, like every FreeImage bitmap.
        for (unsigned row = top; row < bottom; ++row) {
            alpha &=
                CopyRow32(FreeImage_GetScanLine(band.get(), static_cast<int>(bottom - 1 - row)),
                          out + row * rowBytes, width);
        }
    }
    return true;
}

// Rows [first, end) of a 24- or 32-bit picture, top-down; `alpha` is ANDed with their alpha.
void CopyRows(FIBITMAP* dib, uint8_t* out, unsigned first, unsigned end, uint8_t& alpha) {
    const unsigned bpp = FreeImage_GetBPP(dib);
    const unsigned width = FreeImage_GetWidth(dib);
    const unsigned height = FreeImage_GetHeight(dib);
    const std::size_t rowBytes = std::size_t{width} * 4;
    for (unsigned row = first; row < end; ++row) {
        const uint8_t* src = FreeImage_GetScanLine(dib, static_cast<int>(height - 1 - row));
        if (bpp == 32) {
            alpha &= CopyRow32(src, out + row * rowBytes, width);
        } else {
            CopyRow24(src, out + row * rowBytes, width);
        }
    }
}

// Writes the picture's rows top-down as red, green, blue, alpha: the document's writer
// stores that form as it is, where blue-first or bottom-up rows would cost it a full copy each.
// `opaque` tells whether every alpha value is 255.
bool FillRows(FIBITMAP* dib, uint8_t* out, bool& opaque) {
    const unsigned bpp = FreeImage_GetBPP(dib);
    uint8_t alpha = 0xFF;
    if (FreeImage_GetImageType(dib) != FIT_BITMAP || (bpp != 24 && bpp != 32)) {
        const bool filled = FillRowsByBands(dib, out, alpha);
        opaque = alpha == 0xFF;
        return filled;
    }
    const unsigned height = FreeImage_GetHeight(dib);
    // Large pictures are filled by two threads: most of the time goes to faulting in the copy's
    // fresh pages, which the kernel does in parallel.
    const unsigned half = height / 2;
    if (std::size_t{FreeImage_GetWidth(dib)} * half * 4 >= kParallelBytes) {
        try {
            uint8_t lowerAlpha = 0xFF;
            std::thread lower(CopyRows, dib, out, half, height, std::ref(lowerAlpha));
            CopyRows(dib, out, 0, half, alpha);
            lower.join();
            opaque = (alpha & lowerAlpha) == 0xFF;
            return true;
        } catch (const std::system_error&) {
            // no second thread: fill on this one
        }
    }
    CopyRows(dib, out, 0, height, alpha);
    opaque = alpha == 0xFF;
    return true;
}

// Faulting in fresh pages one at a time is much of the cost of a large picture; transparent
// huge pages cut the faults 512-fold. Host-dependent, hence the build switch.
void AskForHugePages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t size) {
#if PICTORB_HUGE_PAGES
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    if (size < 4 * kHugePage) return;  // small pictures gain nothing
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

// The document: a 26-byte header, empty colour mode, resource and layer sections, raw
// (uncompressed) data, then the red, green, blue and alpha planes, rows top-down. These are
// the bytes DevIL's Photoshop writer produces, made without its process-wide state so that
// several files can be encoded at once, and without its call per byte.
constexpr std::size_t kPsdHeaderBytes = 40;

void Put16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}
void Put32(uint8_t* at, uint32_t value) {
    Put16(at, static_cast<uint16_t>(value >> 16));
    Put16(at + 2, static_cast<uint16_t>(value));
}

void EncodeFlatPsd(const uint8_t* rgba, uint32_t width, uint32_t height, uint8_t* out) {
    std::memset(out, 0, kPsdHeaderBytes);
    std::memcpy(out, "8BPS", 4);
    Put16(out + 4, 1);   // version
    Put16(out + 12, 4);  // channels
    Put32(out + 14, height);
    Put32(out + 18, width);
    Put16(out + 22, 8);  // bits per channel
    Put16(out + 24, 3);  // RGB colour mode
    const std::size_t plane = std::size_t{width} * height;
    uint8_t* red = out + kPsdHeaderBytes;
    uint8_t* green = red + plane;
    uint8_t* blue = green + plane;
    uint8_t* alpha = blue + plane;
    for (std::size_t i = 0; i < plane; ++i, rgba += 4) {
        red[i] = rgba[0];
        green[i] = rgba[1];
        blue[i] = rgba[2];
        alpha[i] = rgba[3];
    }
}

}  // namespace

PsdPixels::PsdPixels(PsdPixels&& other) noexcept
    : data_(std::move(other.data_)),
      width_(other.width_),
      height_(other.height_),
      opaque_(other.opaque_) {}

PsdPixels& PsdPixels::operator=(PsdPixels&& other) noexcept {
    if (this != &other) {
        data_ = std::move(other.data_);
        width_ = other.width_;
        height_ = other.height_;
        opaque_ = other.opaque_;
    }
    return *this;
}

PsdPixels TakePsdPixels(Image image) {
    PsdPixels pixels;
    if (!image || !FreeImage_HasPixels(image.get())) return pixels;
    const uint64_t width = image.Width();
    const uint64_t height = image.Height();
    // Sizes and the document stay within 32 bits, as the format's length fields do.
    const uint64_t size = width * height * 4;
    if (size == 0 || size > UINT32_MAX - kPsdHeaderBytes) return pixels;

    // Not cleared: every byte is written below.
    std::unique_ptr<uint8_t, PsdPixels::FreeData> data(
        static_cast<uint8_t*>(std::malloc(static_cast<std::size_t>(size))));
    if (!data) return pixels;
    AskForHugePages(data.get(), static_cast<std::size_t>(size));
    if (!FillRows(image.get(), data.get(), pixels.opaque_)) return pixels;

    pixels.data_ = std::move(data);
    pixels.width_ = static_cast<uint32_t>(width);
    pixels.height_ = static_cast<uint32_t>(height);
    return pixels;  // the image is unloaded here, before anything is written
}

WriteResult WritePsd(PsdPixels pixels, const DocumentInfo& info, const std::string& outputPath,
                     const std::string& tempPath) {
    if (!pixels) return WriteResult::OutOfMemory;
    const uint32_t width = pixels.Width();
    const uint32_t height = pixels.Height();
    const std::size_t size = kPsdHeaderBytes + std::size_t{width} * height * 4;
    // The whole document is made in memory before any file exists, so that a conversion cut
    // short while encoding leaves nothing behind.
    std::unique_ptr<uint8_t[]> flat(new (std::nothrow) uint8_t[size]);
    if (!flat) return WriteResult::OutOfMemory;
    AskForHugePages(flat.get(), size);
    EncodeFlatPsd(pixels.Data(), width, height, flat.get());
    const bool transparent = !pixels.Opaque();
    pixels = PsdPixels();  // the pixels are done with

    const PsdDocument assembled(std::string_view(reinterpret_cast<const char*>(flat.get()), size),
                                width, height, transparent, info);
    if (!assembled.Valid()) return WriteResult::EncoderFailed;
    switch (PlaceFile(outputPath, tempPath, assembled.Pieces()).result) {
        case PlaceResult::Ok:
            return WriteResult::Ok;
        case PlaceResult::CannotCreate:
            return WriteResult::CannotCreate;
        case PlaceResult::WriteFailed:
            return WriteResult::WriteFailed;
        case PlaceResult::CannotMove:
            return WriteResult::CannotMove;
    }
    return WriteResult::WriteFailed;
}

}  // namespace pictorb
