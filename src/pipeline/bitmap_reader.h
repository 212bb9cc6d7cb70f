#pragma once
// The front door for Windows bitmaps: checks a file before FreeImage sees it, refuses what
// cannot be a sane bitmap, and hands FreeImage a form this build decodes exactly.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pipeline/image.h"

namespace pictorb {

enum class BitmapError {
    None,
    Unreadable,   // the file cannot be opened or read
    NotAFile,     // a FIFO, socket or device: refused without waiting for it
    NotABitmap,   // not a Windows bitmap, or its header contradicts itself
    Unsupported,  // a real bitmap variant this program does not decode (JPEG/PNG inside, ...)
    TooLarge,     // declared picture beyond the limits below
    Truncated,    // uncompressed pixel data (or the header) cut short
    OutOfMemory,  // a sane picture that could not be allocated
};

// Pictures larger than this many pixels are refused: just under 1 gigapixel, so that a
// 32-bit copy stays below 4 GiB (the decoder's largest read).
inline constexpr uint64_t kDefaultMaxBitmapPixels = (uint64_t{1} << 30) - 1;
// Neither side may exceed this, which keeps the decoder's row arithmetic in range.
inline constexpr uint64_t kMaxBitmapSide = uint64_t{1} << 24;

struct BitmapLimits {
    uint64_t maxPixels = kDefaultMaxBitmapPixels;
    // Largest 32-bit copy of the picture allowed, in bytes; 0 = the most memory the process
    // may use (QueryProcessResources).
    uint64_t maxBytes = 0;
};

// What a bitmap says about itself beside its pixels.
struct BitmapProperties {
    int32_t xPixelsPerMetre = 0;  // 0 or less: not stated
    int32_t yPixelsPerMetre = 0;
    std::vector<uint8_t> iccProfile;  // an embedded colour profile; empty when there is none
};

struct LoadedBitmap {
    Image image;  // empty unless error is None
    BitmapError error = BitmapError::None;
    int systemError = 0;  // Unreadable: the system's errno, when it gave one
    BitmapProperties properties;
};

// Loads the bitmap at path (UTF-8); 32-bit bitmaps without alpha come back opaque.
LoadedBitmap LoadBitmapFile(const std::string& path, const BitmapLimits& limits = {});
// The same for a bitmap held in memory (the whole file).
LoadedBitmap LoadBitmapBytes(std::span<const uint8_t> bytes, const BitmapLimits& limits = {});
struct BitmapSize {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bpp = 0;
};
// The picture's size as the header states it, read without decoding (for planning memory);
// nullopt when the header is refused, which the load then reports.
std::optional<BitmapSize> ReadBitmapSize(const std::string& path);

// A short English name of the error, for debug lines and test output.
const char* BitmapErrorName(BitmapError error);

}  // namespace pictorb
