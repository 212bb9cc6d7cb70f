#pragma once
// The channel planes of a document, read from the picture band by band (a few hundred
// kilobytes at a time, never a copy of the whole picture), and PackBits for compressed rows.

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace pictorb::psd {

// What a channel of the document holds. The merged image of a transparent document holds its
// colours matted against white (c x a / 255 + 255 x (1 - a / 255), rounded): readers that take
// the merged image remove the white again; the layer keeps the colours as they are.
enum class Plane : uint8_t { Red, Green, Blue, Alpha, MattedRed, MattedGreen, MattedBlue };
inline constexpr std::size_t kPlaneCount = 7;

// Reads a picture of any depth top-down, band by band, as the planes a document stores. The
// values are those FreeImage_ConvertTo32Bits gives, without its picture-sized copy: 24- and
// 32-bit rows are split where they lie, other depths are converted one band at a time.
class PictureBands {
  public:
    explicit PictureBands(FIBITMAP* picture);

    unsigned Width() const { return width_; }
    unsigned Height() const { return height_; }
    unsigned BandRows() const { return bandRows_; }
    // Whether any alpha value is below 255; false also when the picture cannot be read.
    bool HasTransparency();
    // Splits rows [top, top + count) into the planes; the matted ones only when asked for.
    // False when a band cannot be converted (out of memory).
    bool Read(unsigned top, unsigned count, bool matted);
    // The rows of the band last read, `Width()` bytes each, one after another.
    std::span<const uint8_t> Rows(Plane plane) const;

  private:
    FIBITMAP* picture_;
    unsigned width_, height_, bandRows_;
    unsigned rows_ = 0;  // rows in the band last read
    std::array<std::vector<uint8_t>, kPlaneCount> planes_;
};

// The largest PackBits form of a row of `size` bytes: one header byte per 128 literal bytes.
inline constexpr std::size_t MaxPackedSize(std::size_t size) {
    return size + (size + 127) / 128;
}
// Packs `row` into `out` (at least MaxPackedSize bytes); returns the bytes written. Runs of
// three or more equal bytes are repeats, everything else literals of up to 128 bytes.
std::size_t PackBits(std::span<const uint8_t> row, uint8_t* out);

}  // namespace pictorb::psd
