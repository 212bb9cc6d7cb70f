#pragma once
// What the bitmap reader refuses and the limits it checks against: shared by its front door
// (bitmap_reader.h) and the header check behind it (bitmap_format.h).

#include <cstdint>

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

}  // namespace pictorb
