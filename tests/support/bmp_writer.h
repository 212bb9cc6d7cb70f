#pragma once
// A small Windows bitmap writer for tests: every header form, bit depth and compression the
// loader has to face, built from RGBA pixels so expectations can be stated as colours.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pictorb::testsupport {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

// biCompression values.
enum class BmpCompression : uint32_t {
    Rgb = 0,
    Rle8 = 1,
    Rle4 = 2,
    BitFields = 3,
    AlphaBitFields = 6,  // four masks after a 40-byte header
};

// How an RLE stream is ended and shaped.
struct RleOptions {
    bool eolBeforeEob = true;          // end-of-line after the last row, then end-of-bitmap
    bool writeEob = true;              // false: the stream simply stops
    int rowsToEncode = -1;             // stored rows (bottom first) to write; -1 = all (early end)
    std::optional<uint8_t> skipIndex;  // pixels of this index are skipped with delta codes
};

struct BmpSpec {
    int32_t width = 0;
    int32_t height = 0;    // rows of the picture, always positive here; see topDown
    uint16_t bpp = 24;     // 1, 4, 8, 16, 24, 32
    bool topDown = false;  // stored with a negative height, first row on top
    // 12 (OS/2 1.x), 16..64 other than 40/52/56 (OS/2 2.x), 40, 52, 56, 108, 124.
    uint32_t headerSize = 40;
    BmpCompression compression = BmpCompression::Rgb;
    std::vector<Rgba> palette;  // for bpp <= 8; pixels are mapped to the first equal entry
    std::vector<Rgba> pixels;   // width * height, top row first
    // Bit-field masks for 16/32 bpp (used with BitFields/AlphaBitFields, and written into
    // headers of 52 bytes and more). Zero masks select the format's defaults.
    uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
    RleOptions rle;
    // When set, written as the pixel data instead of encoding `pixels`.
    std::optional<std::vector<uint8_t>> rawData;
    std::optional<uint32_t> clrUsed;  // biClrUsed; default palette.size() (0 for none)
};

// Offsets of header fields for patching (file header 14 bytes + info header).
inline constexpr size_t kBfSizeOffset = 2;
inline constexpr size_t kBfOffBitsOffset = 10;
inline constexpr size_t kBiSizeOffset = 14;
inline constexpr size_t kBiWidthOffset = 18;
inline constexpr size_t kBiHeightOffset = 22;
inline constexpr size_t kBiBitCountOffset = 28;
inline constexpr size_t kBiCompressionOffset = 30;
inline constexpr size_t kBiSizeImageOffset = 34;
inline constexpr size_t kBiClrUsedOffset = 46;

// The complete file.
std::vector<uint8_t> MakeBmp(const BmpSpec& spec);
// Only the pixel data (indices encoded, rows padded), as MakeBmp writes it.
std::vector<uint8_t> EncodePixels(const BmpSpec& spec);

// The value a channel mask holds for an 8-bit channel value (rounded to the mask's width).
uint32_t PackChannel(uint8_t value, uint32_t mask);
// The 8-bit value a masked field means: the field's fraction of its maximum, rounded.
uint8_t UnpackChannel(uint32_t pixel, uint32_t mask);
// The colour `c` means once stored with these masks (alpha 255 when alphaMask is 0).
Rgba QuantizeToMasks(Rgba c, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                     uint32_t alphaMask);

void PutLe16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value);
void PutLe32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

// Writes bytes to path; fails the calling test when it cannot.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace pictorb::testsupport
