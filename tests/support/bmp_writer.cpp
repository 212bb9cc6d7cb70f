#include "support/bmp_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <fstream>

namespace pictorb::testsupport {
namespace {

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

bool IsOs2V2(uint32_t headerSize) {
    return headerSize >= 16 && headerSize <= 64 && headerSize != 40 && headerSize != 52 &&
           headerSize != 56;
}

void Append16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Append32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

struct Masks {
    uint32_t r, g, b, a;
};

Masks EffectiveMasks(const BmpSpec& spec) {
    if (spec.redMask | spec.greenMask | spec.blueMask | spec.alphaMask) {
        return {spec.redMask, spec.greenMask, spec.blueMask, spec.alphaMask};
    }
    if (spec.bpp == 16) return {0x7C00, 0x03E0, 0x001F, 0};
    return {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
}

bool UsesMasks(const BmpSpec& spec) {
    return spec.compression == BmpCompression::BitFields ||
           spec.compression == BmpCompression::AlphaBitFields;
}

// Stored row `storedRow` as palette indices (or empty for direct colour).
const Rgba& PixelAt(const BmpSpec& spec, int x, int storedRow) {
    const int y = spec.topDown ? storedRow : spec.height - 1 - storedRow;
    return spec.pixels[static_cast<size_t>(y) * spec.width + x];
}

uint8_t IndexOf(const BmpSpec& spec, const Rgba& c) {
    const auto it = std::find(spec.palette.begin(), spec.palette.end(), c);
    if (it == spec.palette.end()) {
        ADD_FAILURE() << "bmp_writer: pixel colour not in the palette";
        return 0;
    }
    return static_cast<uint8_t>(it - spec.palette.begin());
}

std::vector<std::vector<uint8_t>> IndexRows(const BmpSpec& spec) {
    std::vector<std::vector<uint8_t>> rows(spec.height);
    for (int r = 0; r < spec.height; ++r) {
        rows[r].resize(spec.width);
        for (int x = 0; x < spec.width; ++x) rows[r][x] = IndexOf(spec, PixelAt(spec, x, r));
    }
    return rows;
}

// Encodes indices [from, to) of one row in encoded and absolute runs.
void EncodeRleSegment(const std::vector<uint8_t>& row, int from, int to, bool rle4,
                      std::vector<uint8_t>& out) {
    int x = from;
    while (x < to) {
        int run = 1;
        while (x + run < to && run < 255 && row[x + run] == row[x]) ++run;
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(rle4 ? static_cast<uint8_t>(row[x] << 4 | row[x]) : row[x]);
            x += run;
            continue;
        }
        const int start = x;
        while (x < to && x - start < 255) {
            if (x + 2 < to && row[x] == row[x + 1] && row[x] == row[x + 2]) break;
            ++x;
        }
        const int length = x - start;
        if (length < 3) {
            for (int i = start; i < x; ++i) {
                out.push_back(1);
                out.push_back(rle4 ? static_cast<uint8_t>(row[i] << 4) : row[i]);
            }
            continue;
        }
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(length));
        size_t bytes = 0;
        if (rle4) {
            for (int i = start; i < x; i += 2) {
                const uint8_t hi = row[i];
                const uint8_t lo = i + 1 < x ? row[i + 1] : 0;
                out.push_back(static_cast<uint8_t>(hi << 4 | lo));
                ++bytes;
            }
        } else {
            for (int i = start; i < x; ++i) out.push_back(row[i]);
            bytes = length;
        }
        if (bytes % 2) out.push_back(0);
    }
}

void AppendDelta(std::vector<uint8_t>& out, int dx, int dy) {
    while (dx > 0 || dy > 0) {
        const int stepX = std::min(dx, 255);
        const int stepY = std::min(dy, 255);
        out.insert(out.end(), {0, 2, static_cast<uint8_t>(stepX), static_cast<uint8_t>(stepY)});
        dx -= stepX;
        dy -= stepY;
    }
}

std::vector<uint8_t> EncodeRle(const BmpSpec& spec) {
    const bool rle4 = spec.compression == BmpCompression::Rle4;
    const auto rows = IndexRows(spec);
    const int rowCount =
        spec.rle.rowsToEncode < 0 ? spec.height : std::min(spec.rle.rowsToEncode, spec.height);
    const auto skipped = [&](int x, int y) {
        return spec.rle.skipIndex && rows[y][x] == *spec.rle.skipIndex;
    };
    std::vector<uint8_t> out;
    int x = 0;
    int y = 0;
    while (y < rowCount) {
        // Next pixel that must be written, in stored order.
        int tx = x;
        int ty = y;
        while (ty < rowCount && skipped(tx, ty)) {
            if (++tx == spec.width) {
                tx = 0;
                ++ty;
            }
        }
        if (ty >= rowCount) break;
        if (ty == y) {
            AppendDelta(out, tx - x, 0);
        } else if (tx >= x) {
            AppendDelta(out, tx - x, ty - y);
        } else {
            out.insert(out.end(), {0, 0});
            AppendDelta(out, tx, ty - y - 1);
        }
        x = tx;
        y = ty;
        int end = x;
        while (end < spec.width && !skipped(end, y)) ++end;
        EncodeRleSegment(rows[y], x, end, rle4, out);
        x = end;
        if (x == spec.width) {
            const bool lastRow = y + 1 == rowCount;
            if (!lastRow || spec.rle.eolBeforeEob) out.insert(out.end(), {0, 0});
            x = 0;
            ++y;
        }
    }
    if (spec.rle.writeEob) out.insert(out.end(), {0, 1});
    return out;
}

}  // namespace

uint32_t PackChannel(uint8_t value, uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const uint64_t max = (uint64_t{1} << std::popcount(mask)) - 1;
    const uint64_t field = (value * max + 127) / 255;
    return static_cast<uint32_t>(field << shift) & mask;
}

uint8_t UnpackChannel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const uint64_t max = (uint64_t{1} << std::popcount(mask)) - 1;
    const uint64_t field = (pixel & mask) >> shift;
    return static_cast<uint8_t>((field * 255 + max / 2) / max);
}

Rgba QuantizeToMasks(Rgba c, uint32_t redMask, uint32_t greenMask, uint32_t blueMask,
                     uint32_t alphaMask) {
    const uint32_t v = PackChannel(c.r, redMask) | PackChannel(c.g, greenMask) |
                       PackChannel(c.b, blueMask) | PackChannel(c.a, alphaMask);
    return {UnpackChannel(v, redMask), UnpackChannel(v, greenMask), UnpackChannel(v, blueMask),
            alphaMask ? UnpackChannel(v, alphaMask) : uint8_t{255}};
}

std::vector<uint8_t> EncodePixels(const BmpSpec& spec) {
    if (spec.rawData) return *spec.rawData;
    if (spec.compression == BmpCompression::Rle8 || spec.compression == BmpCompression::Rle4) {
        return EncodeRle(spec);
    }
    const size_t stride = (static_cast<size_t>(spec.width) * spec.bpp + 31) / 32 * 4;
    std::vector<uint8_t> out(stride * spec.height, 0);
    const Masks m = EffectiveMasks(spec);
    const auto rows = spec.bpp <= 8 ? IndexRows(spec) : std::vector<std::vector<uint8_t>>{};
    for (int r = 0; r < spec.height; ++r) {
        uint8_t* line = out.data() + stride * r;
        for (int x = 0; x < spec.width; ++x) {
            if (spec.bpp <= 8) {
                const int bit = x * spec.bpp;
                const int shift = 8 - spec.bpp - bit % 8;
                line[bit / 8] |= static_cast<uint8_t>(rows[r][x] << shift);
                continue;
            }
            const Rgba& c = PixelAt(spec, x, r);
            if (spec.bpp == 24 || (spec.bpp == 32 && !UsesMasks(spec))) {
                uint8_t* p = line + x * (spec.bpp / 8);
                p[0] = c.b;
                p[1] = c.g;
                p[2] = c.r;
                if (spec.bpp == 32) p[3] = c.a;
                continue;
            }
            const uint32_t v = PackChannel(c.r, m.r) | PackChannel(c.g, m.g) |
                               PackChannel(c.b, m.b) | PackChannel(c.a, m.a);
            for (int i = 0; i < spec.bpp / 8; ++i) {
                line[x * (spec.bpp / 8) + i] = static_cast<uint8_t>(v >> (8 * i));
            }
        }
    }
    return out;
}

std::vector<uint8_t> MakeBmp(const BmpSpec& spec) {
    const std::vector<uint8_t> data = EncodePixels(spec);
    const Masks m = EffectiveMasks(spec);
    const int32_t storedHeight = spec.topDown ? -spec.height : spec.height;

    std::vector<uint8_t> header;
    if (spec.headerSize == kCoreHeaderSize) {
        Append32(header, kCoreHeaderSize);
        Append16(header, static_cast<uint16_t>(spec.width));
        Append16(header, static_cast<uint16_t>(storedHeight));
        Append16(header, 1);
        Append16(header, spec.bpp);
    } else {
        Append32(header, spec.headerSize);
        Append32(header, static_cast<uint32_t>(spec.width));
        Append32(header, static_cast<uint32_t>(storedHeight));
        Append16(header, 1);
        Append16(header, spec.bpp);
        Append32(header, static_cast<uint32_t>(spec.compression));
        Append32(header, static_cast<uint32_t>(data.size()));
        Append32(header, 2835);  // 72 dpi
        Append32(header, 2835);
        Append32(header, spec.clrUsed.value_or(static_cast<uint32_t>(spec.palette.size())));
        Append32(header, 0);
        if (IsOs2V2(spec.headerSize)) {
            header.resize(spec.headerSize, 0);
        } else {
            Append32(header, m.r);
            Append32(header, m.g);
            Append32(header, m.b);
            Append32(header, m.a);
            Append32(header, 0x73524742);               // 'sRGB'
            header.resize(header.size() + 36 + 12, 0);  // endpoints, gamma
            Append32(header, 4);                        // LCS_GM_IMAGES
            header.resize(header.size() + 12, 0);       // profile data, size, reserved
            header.resize(spec.headerSize, 0);
        }
    }
    if (spec.headerSize == kInfoHeaderSize && spec.compression == BmpCompression::BitFields) {
        Append32(header, m.r);
        Append32(header, m.g);
        Append32(header, m.b);
    } else if (spec.headerSize == kInfoHeaderSize &&
               spec.compression == BmpCompression::AlphaBitFields) {
        Append32(header, m.r);
        Append32(header, m.g);
        Append32(header, m.b);
        Append32(header, m.a);
    }
    for (const Rgba& c : spec.palette) {
        header.insert(header.end(), {c.b, c.g, c.r});
        if (spec.headerSize != kCoreHeaderSize) header.push_back(0);
    }

    std::vector<uint8_t> out;
    const uint32_t offBits = static_cast<uint32_t>(14 + header.size());
    out.push_back('B');
    out.push_back('M');
    Append32(out, static_cast<uint32_t>(offBits + data.size()));
    Append32(out, 0);
    Append32(out, offBits);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

void PutLe16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
    bytes.at(offset) = static_cast<uint8_t>(value);
    bytes.at(offset + 1) = static_cast<uint8_t>(value >> 8);
}

void PutLe32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) ADD_FAILURE() << "bmp_writer: cannot write " << path;
}

}  // namespace pictorb::testsupport
