#include <algorithm>

#include "pipeline/bitmap_format.h"

namespace pictorb::bmp {
namespace {

constexpr uint8_t kEscape = 0;
constexpr uint8_t kEndOfLine = 0;
constexpr uint8_t kEndOfBitmap = 1;
constexpr uint8_t kDelta = 2;

// Emits a stream the decoder accepts: codes only ever move forward inside the picture, and
// the position moves lazily, just before the next pixels, so no end-of-line is ever written
// after the last pixels (the decoder rejects one on the last row).
class RleEmitter {
  public:
    RleEmitter(bool rle4, size_t expectedSize) : rle4_(rle4) { out_.reserve(expectedSize); }

    // (x, y) is inside the picture and not before the current position in raster order.
    void MoveTo(uint64_t x, uint64_t y) {
        if (y == y_ && x == x_) return;
        if (y == y_ || x >= x_) {
            Delta(x - x_, y - y_);
        } else {
            out_.insert(out_.end(), {kEscape, kEndOfLine});
            Delta(x, y - y_ - 1);
        }
        x_ = x;
        y_ = y;
    }

    void Run(uint8_t count, uint8_t value) {
        out_.insert(out_.end(), {count, value});
        x_ += count;
    }

    // count pixels taken from packed (one byte each, or two nibbles per byte for RLE4).
    void Absolute(const uint8_t* packed, uint8_t count) {
        if (count < 3) {
            // Counts 1 and 2 would read as escape codes: write single-pixel runs instead.
            for (uint8_t i = 0; i < count; ++i) {
                const uint8_t pixel =
                    rle4_ ? static_cast<uint8_t>(i % 2 ? packed[i / 2] << 4 : packed[i / 2] & 0xF0)
                          : packed[i];
                Run(1, pixel);
            }
            return;
        }
        const size_t bytes = rle4_ ? (count + 1u) / 2 : count;
        out_.insert(out_.end(), {kEscape, count});
        out_.insert(out_.end(), packed, packed + bytes);
        if (bytes % 2) out_.push_back(0);
        x_ += count;
    }

    std::vector<uint8_t> Finish() {
        out_.insert(out_.end(), {kEscape, kEndOfBitmap});
        return std::move(out_);
    }

  private:
    void Delta(uint64_t dx, uint64_t dy) {
        while (dx > 0 || dy > 0) {
            const uint8_t stepX = static_cast<uint8_t>(std::min<uint64_t>(dx, 255));
            const uint8_t stepY = static_cast<uint8_t>(std::min<uint64_t>(dy, 255));
            out_.insert(out_.end(), {kEscape, kDelta, stepX, stepY});
            dx -= stepX;
            dy -= stepY;
        }
    }

    bool rle4_;
    std::vector<uint8_t> out_;
    uint64_t x_ = 0;
    uint64_t y_ = 0;
};

}  // namespace

std::vector<uint8_t> RepairRleStream(std::span<const uint8_t> stream, uint32_t width,
                                     uint32_t height, bool rle4) {
    RleEmitter out(rle4, stream.size() + 16);
    const size_t n = stream.size();
    size_t i = 0;
    // Position of the next pixel; x may pass the row end, where pixels are dropped.
    uint64_t x = 0;
    uint64_t y = 0;
    const auto room = [&] { return x < width ? width - x : 0; };

    while (y < height && i + 2 <= n) {
        const uint8_t first = stream[i];
        const uint8_t second = stream[i + 1];
        i += 2;
        if (first != kEscape) {
            const auto count = static_cast<uint8_t>(std::min<uint64_t>(first, room()));
            if (count > 0) {
                out.MoveTo(x, y);
                out.Run(count, second);
            }
            x += first;
            continue;
        }
        if (second == kEndOfLine) {
            x = 0;
            ++y;
            continue;
        }
        if (second == kEndOfBitmap) break;
        if (second == kDelta) {
            if (i + 2 > n) break;
            x += stream[i];
            y += stream[i + 1];
            i += 2;
            continue;
        }
        // Absolute run of `second` pixels, padded to a 16-bit boundary.
        const size_t bytes = rle4 ? (second + 1u) / 2 : second;
        const size_t present = std::min(bytes, n - i);
        const uint64_t pixels = rle4 ? std::min<uint64_t>(second, present * 2) : present;
        const auto count = static_cast<uint8_t>(std::min(pixels, room()));
        if (count > 0) {
            out.MoveTo(x, y);
            out.Absolute(&stream[i], count);
        }
        x += second;
        if (present < bytes) break;  // the stream ends inside the run
        i += std::min(bytes + bytes % 2, n - i);
    }
    return out.Finish();
}

}  // namespace pictorb::bmp
