#pragma once
// The front door for Windows bitmaps: checks a file before FreeImage sees it, refuses what
// cannot be a sane bitmap, and hands FreeImage a form this build decodes exactly.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "pipeline/bitmap_limits.h"
#include "pipeline/image.h"

namespace pictorb {

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
