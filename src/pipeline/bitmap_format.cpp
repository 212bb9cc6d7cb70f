#include "pipeline/bitmap_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

#include "platform/resources.h"

namespace pictorb::bmp {
namespace {

constexpr uint64_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kLargestHeaderSize = 124;

enum class HeaderKind { Core, Windows, Os2 };

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool KnownHeaderSize(uint32_t size, HeaderKind& kind) {
    switch (size) {
        case kCoreHeaderSize:
            kind = HeaderKind::Core;
            return true;
        case 40:
        case 52:
        case 56:
        case 108:
        case 124:
            kind = HeaderKind::Windows;
            return true;
        default:
            // OS/2 2.x headers may stop after any field from 16 bytes on.
            kind = HeaderKind::Os2;
            return size >= 16 && size <= 64;
    }
}

BitmapError CheckCompression(HeaderKind kind, uint32_t compression, uint16_t bpp) {
    if (kind == HeaderKind::Os2 && (compression == 3 || compression == 4)) {
        return BitmapError::Unsupported;  // Huffman 1D, RLE24
    }
    switch (compression) {
        case kRgb:
            return BitmapError::None;
        case kRle8:
            return bpp == 8 ? BitmapError::None : BitmapError::NotABitmap;
        case kRle4:
            return bpp == 4 ? BitmapError::None : BitmapError::NotABitmap;
        case kBitFields:
        case kAlphaBitFields:
            if (kind != HeaderKind::Windows) return BitmapError::NotABitmap;
            return bpp == 16 || bpp == 32 ? BitmapError::None : BitmapError::NotABitmap;
        case kJpegOrRle24:
        case kPng:
        case 11:  // CMYK variants
        case 12:
        case 13:
            return BitmapError::Unsupported;
        default:
            return BitmapError::NotABitmap;
    }
}

bool Contiguous(uint32_t mask) {
    if (mask == 0) return true;
    const uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;
}

bool SaneMasks(const BitMasks& m, uint16_t bpp) {
    const uint32_t outside = bpp == 16 ? 0xFFFF0000u : 0u;
    for (uint32_t mask : {m.red, m.green, m.blue, m.alpha}) {
        if ((mask & outside) != 0 || !Contiguous(mask)) return false;
    }
    return (m.red & m.green) == 0 && (m.red & m.blue) == 0 && (m.green & m.blue) == 0 &&
           (m.alpha & (m.red | m.green | m.blue)) == 0;
}

BitMasks DefaultMasks(uint16_t bpp) {
    return bpp == 16 ? kMasks555 : kMasks888;
}

struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            max = (uint64_t{1} << std::popcount(m)) - 1;
        }
    }
    // The field's fraction of its maximum as an 8-bit value, rounded.
    uint8_t Value(uint32_t pixel) const {
        const uint64_t field = (pixel & mask) >> shift;
        return static_cast<uint8_t>((field * 255 + max / 2) / max);
    }
};

}  // namespace

bool MemorySource::Read(uint64_t offset, uint8_t* dst, size_t n) const {
    if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
    if (n > 0) std::memcpy(dst, bytes_.data() + offset, n);
    return true;
}

uint64_t MaxPictureBytes(const BitmapLimits& limits) {
    if (limits.maxBytes != 0) return limits.maxBytes;
    return QueryProcessResources().memoryLimit;
}

BitmapError ReadBitmapInfo(const ByteSource& source, const BitmapLimits& limits, BitmapInfo& info) {
    const uint64_t fileSize = source.Size();
    std::array<uint8_t, kFileHeaderSize + kLargestHeaderSize + 16> head{};
    if (fileSize < 2 || !source.Read(0, head.data(), 2)) return BitmapError::NotABitmap;
    if (head[0] == 'B' && head[1] == 'A') return BitmapError::Unsupported;  // OS/2 array
    if (head[0] != 'B' || head[1] != 'M') return BitmapError::NotABitmap;
    if (fileSize < kFileHeaderSize + 4) return BitmapError::Truncated;
    if (!source.Read(0, head.data(), kFileHeaderSize + 4)) return BitmapError::Unreadable;

    const uint32_t headerSize = Le32(&head[14]);
    HeaderKind kind;
    if (!KnownHeaderSize(headerSize, kind)) return BitmapError::NotABitmap;
    if (fileSize < kFileHeaderSize + headerSize) return BitmapError::Truncated;
    if (!source.Read(0, head.data(), kFileHeaderSize + headerSize)) {
        return BitmapError::Unreadable;
    }
    const uint8_t* h = &head[kFileHeaderSize];  // fields past a short header read as zero

    int64_t width;
    int64_t height;
    uint32_t compression = kRgb;
    uint32_t clrUsed = 0;
    if (kind == HeaderKind::Core) {
        width = Le16(h + 4);
        height = Le16(h + 6);
        info.bpp = Le16(h + 10);
    } else {
        width = static_cast<int32_t>(Le32(h + 4));
        height = static_cast<int32_t>(Le32(h + 8));
        info.bpp = Le16(h + 14);
        compression = Le32(h + 16);
        if (headerSize >= 32) {
            info.xPelsPerMeter = static_cast<int32_t>(Le32(h + 24));
            info.yPelsPerMeter = static_cast<int32_t>(Le32(h + 28));
        }
        clrUsed = Le32(h + 32);
    }
    info.headerSize = headerSize;
    // Only an embedded profile travels; a linked one names a file on the writer's machine.
    constexpr uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'
    if (headerSize == kLargestHeaderSize && Le32(h + 56) == kProfileEmbedded) {
        info.profileOffset = kFileHeaderSize + uint64_t{Le32(h + 112)};
        info.profileSize = Le32(h + 116);
    }

    switch (info.bpp) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        case 0:   // JPEG or PNG inside
        case 2:   // Windows CE
        case 64:  // scRGB
            return BitmapError::Unsupported;
        default:
            return BitmapError::NotABitmap;
    }
    if (const BitmapError e = CheckCompression(kind, compression, info.bpp);
        e != BitmapError::None) {
        return e;
    }
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min()) {
        return BitmapError::NotABitmap;
    }
    info.topDown = height < 0;
    if (info.topDown) {
        // Only uncompressed rows may be stored top-down.
        if (compression == kRle8 || compression == kRle4) return BitmapError::NotABitmap;
        height = -height;
    }

    // 64-bit arithmetic throughout: width and height are below 2^31 here.
    const uint64_t w = static_cast<uint64_t>(width);
    const uint64_t rows = static_cast<uint64_t>(height);
    // The decoder reads all rows in one request of 32-bit size, so a 32-bit copy of the
    // picture must stay below 4 GiB whatever the limits say.
    if (w > kMaxBitmapSide || rows > kMaxBitmapSide || w * rows > limits.maxPixels ||
        w * rows * 4 > MaxPictureBytes(limits) || w * rows * 4 >= (uint64_t{1} << 32)) {
        return BitmapError::TooLarge;
    }
    info.width = static_cast<uint32_t>(w);
    info.height = static_cast<uint32_t>(rows);

    uint64_t headerEnd = kFileHeaderSize + headerSize;
    info.compression = compression == kAlphaBitFields ? kBitFields : compression;
    info.hasMasks = info.compression == kBitFields;
    info.masks = DefaultMasks(info.bpp);
    if (info.hasMasks) {
        if (headerSize == kInfoHeaderSize) {
            const uint64_t count = compression == kAlphaBitFields ? 4 : 3;
            if (fileSize < headerEnd + 4 * count) return BitmapError::Truncated;
            if (!source.Read(headerEnd, &head[headerEnd], 4 * count)) {
                return BitmapError::Unreadable;
            }
            headerEnd += 4 * count;
        }
        // The masks follow the 40 bytes, whether inside a larger header or after it.
        const BitMasks fileMasks{
            Le32(h + 40), Le32(h + 44), Le32(h + 48),
            headerSize >= 56 || compression == kAlphaBitFields ? Le32(h + 52) : 0};
        if (fileMasks.red | fileMasks.green | fileMasks.blue) {
            info.masks = fileMasks;
        } else {
            info.masks.alpha = fileMasks.alpha;
        }
        if (!SaneMasks(info.masks, info.bpp)) return BitmapError::NotABitmap;
    }

    const uint32_t bfOffBits = Le32(&head[10]);
    if (info.bpp <= 8) {
        const uint32_t entrySize = kind == HeaderKind::Core ? 3 : 4;
        const uint32_t maxEntries = 1u << info.bpp;
        if (clrUsed > maxEntries) return BitmapError::NotABitmap;
        uint64_t entries = clrUsed == 0 ? maxEntries : clrUsed;
        const uint64_t paletteEnd = headerEnd + entries * entrySize;
        if (bfOffBits >= headerEnd && bfOffBits < paletteEnd) {
            // The pixels start inside the declared palette: only the entries before them count.
            entries = (bfOffBits - headerEnd) / entrySize;
            info.dataOffset = bfOffBits;
        } else {
            info.dataOffset = bfOffBits >= paletteEnd ? bfOffBits : paletteEnd;
        }
        if (headerEnd + entries * entrySize > fileSize) return BitmapError::Truncated;
        std::vector<uint8_t> raw(entries * entrySize);
        if (!source.Read(headerEnd, raw.data(), raw.size())) return BitmapError::Unreadable;
        info.palette.assign(size_t{maxEntries} * 4, 0);
        for (uint64_t i = 0; i < entries; ++i) {
            std::memcpy(&info.palette[i * 4], &raw[i * entrySize], 3);
        }
    } else {
        info.dataOffset = std::max<uint64_t>(bfOffBits, headerEnd);
    }
    info.dataAvailable = fileSize > info.dataOffset ? fileSize - info.dataOffset : 0;

    if (info.compression == kRle8 || info.compression == kRle4) {
        return info.dataAvailable == 0 ? BitmapError::Truncated : BitmapError::None;
    }
    const uint64_t rowBits = w * info.bpp;
    info.stride = (rowBits + 31) / 32 * 4;
    // The last row's padding may be missing; its pixels may not.
    const uint64_t needed = info.stride * (rows - 1) + (rowBits + 7) / 8;
    return info.dataAvailable < needed ? BitmapError::Truncated : BitmapError::None;
}

void UnpackMaskedRow(const uint8_t* src, uint32_t width, uint16_t bpp, const BitMasks& masks,
                     uint8_t* dst, uint16_t outBpp) {
    const Channel red(masks.red), green(masks.green), blue(masks.blue), alpha(masks.alpha);
    const unsigned inBytes = bpp / 8u;
    const unsigned outBytes = outBpp / 8u;
    for (uint32_t x = 0; x < width; ++x, src += inBytes, dst += outBytes) {
        const uint32_t pixel = inBytes == 2 ? Le16(src) : Le32(src);
        dst[0] = masks.blue ? blue.Value(pixel) : 0;
        dst[1] = masks.green ? green.Value(pixel) : 0;
        dst[2] = masks.red ? red.Value(pixel) : 0;
        if (outBytes == 4) dst[3] = masks.alpha ? alpha.Value(pixel) : 255;
    }
}

}  // namespace pictorb::bmp
