#pragma once
// The Photoshop document's layout as this program writes it: the names of its header fields,
// sections, resources and keys, the two versions and their limits, and the one big-endian
// writer every section is built with.

#include <cstdint>
#include <string>
#include <string_view>

namespace pictorb {

// Sides up to this many pixels fit the Photoshop document (version 1)...
inline constexpr uint64_t kMaxPsdSide = 30000;
// ...and up to this many the large document format (version 2, ".psb").
inline constexpr uint64_t kMaxPsbSide = 300000;

enum class DocumentFormat { Psd, Psb, TooLarge };
DocumentFormat DocumentFormatFor(uint64_t width, uint64_t height);

namespace psd {

// The file header: signature, version, six reserved zero bytes, channel count, height, width,
// bits per channel, colour mode; 26 bytes.
inline constexpr std::string_view kSignature = "8BPS";
enum class Version : uint16_t { Psd = 1, Psb = 2 };
inline constexpr std::size_t kReservedBytes = 6;
inline constexpr std::size_t kHeaderSize = 26;
inline constexpr uint16_t kBitsPerChannel = 8;
enum class ColourMode : uint16_t { Rgb = 3 };

// After the header, each section starts with its length: colour mode data, image resources,
// layer and mask information (8 bytes in version 2); then the merged image data, which has none.
// Image resource blocks and additional layer information start with this signature.
inline constexpr std::string_view kResourceSignature = "8BIM";
enum class ResourceId : uint16_t {
    ResolutionInfo = 1005,  // pixels per inch, 16.16 fixed point, with display units
    IccProfile = 1039,
};
inline constexpr uint16_t kPixelsPerInch = 1;  // resolution unit
inline constexpr uint16_t kInches = 1;         // the unit editors show the print size in

// How a channel's rows are stored: as they are, or PackBits with the byte count of every row
// ahead of the data (2 bytes each in version 1, 4 in version 2).
enum class Compression : uint16_t { Raw = 0, Rle = 1 };

// Channel ids of a layer record; the transparency mask is -1.
enum class ChannelId : int16_t { Transparency = -1, Red = 0, Green = 1, Blue = 2 };

// Layer records: blend mode signature and key, opacity, visibility flags.
inline constexpr std::string_view kBlendNormal = "norm";
inline constexpr uint8_t kOpaque = 255;
inline constexpr uint8_t kVisible = 0;  // flag bit 1 set would hide the layer
// Additional layer information holding the layer's name in UTF-16.
inline constexpr std::string_view kUnicodeNameKey = "luni";
// A negative layer count says the merged image's first extra channel is its transparency.
inline constexpr int16_t kLayerCountWithMergedAlpha = -1;
// The legacy layer name is a Pascal string of at most this many bytes, padded to a multiple
// of 4 with its length byte.
inline constexpr std::size_t kMaxLegacyNameBytes = 255;

// Lengths of sections and channels are 4 bytes in version 1 and 8 in version 2; so are the
// layer and mask section's and the layer information's lengths.
inline constexpr int LengthBytes(Version version) {
    return version == Version::Psb ? 8 : 4;
}
// The byte count of a compressed row: 2 bytes in version 1, 4 in version 2.
inline constexpr int RowCountBytes(Version version) {
    return version == Version::Psb ? 4 : 2;
}

// Builds a run of bytes in the document's big-endian order. A length its version cannot hold
// is refused: nothing is written for it and Refused() turns true, so that a caller checks once
// at the end instead of after every field.
class BigEndian {
  public:
    explicit BigEndian(Version version) : version_(version) {}

    void U8(uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void U16(uint16_t value);
    void U32(uint32_t value);
    void I16(int16_t value) { U16(static_cast<uint16_t>(value)); }
    void Text(std::string_view text) { bytes_ += text; }
    void Zeros(std::size_t count) { bytes_.append(count, '\0'); }
    // A section or channel length: 4 bytes, or 8 in the large format.
    void Length(uint64_t value);
    // A compressed row's byte count: 2 bytes, or 4 in the large format.
    void RowCount(uint64_t value);
    // Zero bytes up to the next multiple of `unit`, counted from the start of these bytes.
    void PadTo(std::size_t unit);
    // Another run's bytes, and its refusal.
    void Append(const BigEndian& other) {
        bytes_ += other.bytes_;
        refused_ = refused_ || other.refused_;
    }

    Version GetVersion() const { return version_; }
    bool Refused() const { return refused_; }
    std::size_t Size() const { return bytes_.size(); }
    const std::string& Bytes() const { return bytes_; }
    std::string Take() { return std::move(bytes_); }

  private:
    void Unsigned(uint64_t value, int bytes);

    Version version_;
    std::string bytes_;
    bool refused_ = false;
};

}  // namespace psd
}  // namespace pictorb
