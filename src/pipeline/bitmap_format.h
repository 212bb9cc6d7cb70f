#pragma once
// Inside the bitmap front door: the header check, the RLE stream repair and the bit-field
// unpacking. Only bitmap_reader.cpp and its tests use these.

#include <cstdint>
#include <span>
#include <vector>

#include "pipeline/bitmap_limits.h"

namespace pictorb::bmp {

// Random access to the bytes of one file, in memory or behind a descriptor.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Fills dst with n bytes from offset; false on a read error or past the end.
    virtual bool Read(uint64_t offset, uint8_t* dst, size_t n) const = 0;
};

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool Read(uint64_t offset, uint8_t* dst, size_t n) const override;

  private:
    std::span<const uint8_t> bytes_;
};

// biCompression values this program tells apart.
enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kJpegOrRle24 = 4,
    kPng = 5,
    kAlphaBitFields = 6,
};

struct BitMasks {
    uint32_t red = 0, green = 0, blue = 0, alpha = 0;
    bool operator==(const BitMasks&) const = default;
};

inline constexpr BitMasks kMasks555{0x7C00, 0x03E0, 0x001F, 0};
inline constexpr BitMasks kMasks888{0x00FF0000, 0x0000FF00, 0x000000FF, 0};

// What a checked header says, in one form for every header variant.
struct BitmapInfo {
    uint32_t headerSize = 0;
    uint32_t width = 0;
    uint32_t height = 0;  // rows, always positive
    bool topDown = false;
    uint16_t bpp = 0;
    uint32_t compression = kRgb;  // kRgb, kRle8, kRle4 or kBitFields
    bool hasMasks = false;        // kBitFields: masks below are the file's
    BitMasks masks;               // 16/32 bpp: the layout of a pixel
    int32_t xPelsPerMeter = 2835;
    int32_t yPelsPerMeter = 2835;
    std::vector<uint8_t> palette;  // bpp <= 8: 2^bpp BGRA entries, black past the file's
    uint64_t dataOffset = 0;
    uint64_t dataAvailable = 0;  // bytes from dataOffset to the end of the file
    uint64_t stride = 0;         // bytes per stored row of uncompressed data
    // Version-5 headers: where an embedded colour profile lies in the file (size 0: none).
    uint64_t profileOffset = 0;
    uint32_t profileSize = 0;
};

// Reads and checks the header; None when info describes a bitmap worth decoding.
BitmapError ReadBitmapInfo(const ByteSource& source, const BitmapLimits& limits, BitmapInfo& info);

// The largest total of 32-bit picture bytes the limits allow.
uint64_t MaxPictureBytes(const BitmapLimits& limits);

// Rewrites an RLE8/RLE4 stream so that every code stays inside width x height, runs past
// the row end are clipped, and the stream closes with exactly one end-of-bitmap and no
// end-of-line before it. A stream that ends early keeps the pixels it defined.
std::vector<uint8_t> RepairRleStream(std::span<const uint8_t> stream, uint32_t width,
                                     uint32_t height, bool rle4);

// Unpacks one row of 16- or 32-bit masked pixels into BGR (outBpp 24) or BGRA (outBpp 32).
void UnpackMaskedRow(const uint8_t* src, uint32_t width, uint16_t bpp, const BitMasks& masks,
                     uint8_t* dst, uint16_t outBpp);

}  // namespace pictorb::bmp
