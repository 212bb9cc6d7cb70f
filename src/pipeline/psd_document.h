#pragma once
// The parts of a Photoshop document that DevIL's writer leaves out (resolution, colour profile,
// a transparent layer, the large document format), put around the flat document it writes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/bitmap_reader.h"

namespace pictorb {

// Sides up to this many pixels fit the Photoshop document (version 1)...
inline constexpr uint64_t kMaxPsdSide = 30000;
// ...and up to this many the large document format (version 2, ".psb").
inline constexpr uint64_t kMaxPsbSide = 300000;

enum class DocumentFormat { Psd, Psb, TooLarge };
DocumentFormat DocumentFormatFor(uint64_t width, uint64_t height);

// What the document says besides its pixels.
struct DocumentInfo {
    BitmapProperties properties;
    std::string layerName;  // the layer a transparent picture is stored in (UTF-8)
};

// Pixels per metre as 16.16 fixed-point pixels per inch; 72 when not stated.
uint32_t FixedPixelsPerInch(int32_t pixelsPerMetre);

// A document assembled around DevIL's flat one without copying its pixels: our header and
// sections first, then DevIL's channel planes, referenced where they lie (once more as the
// layer's channels when the picture is transparent). Refers to `flat`, which must outlive it.
class PsdDocument {
  public:
    // `flat` is DevIL's document of a width x height RGBA picture: no sections, raw planes.
    PsdDocument(std::string_view flat, uint32_t width, uint32_t height, bool transparent,
                const DocumentInfo& info);
    PsdDocument(const PsdDocument&) = delete;
    PsdDocument& operator=(const PsdDocument&) = delete;

    // False when `flat` is not the document expected, or the picture is too large.
    bool Valid() const { return !pieces_.empty(); }
    // The file's bytes, one piece after another.
    const std::vector<std::string_view>& Pieces() const { return pieces_; }

  private:
    std::string head_;  // header through the layer record
    std::string tail_;  // end of the layer section
    std::vector<std::string_view> pieces_;
};

}  // namespace pictorb
