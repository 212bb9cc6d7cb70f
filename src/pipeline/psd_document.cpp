#include "pipeline/psd_document.h"

#include <algorithm>
#include <cmath>

#include "text/utf8.h"

namespace pictorb {
namespace {

// DevIL's flat document: the 26-byte header, three empty sections of a 4-byte length each,
// then the image data: compression 0 (raw) and the planes red, green, blue, alpha.
constexpr std::size_t kHeaderSize = 26;
constexpr std::size_t kImageDataStart = kHeaderSize + 3 * 4;
constexpr std::size_t kPlanesStart = kImageDataStart + 2;
constexpr std::string_view kRawCompression("\0\0", 2);

void PutBe16(std::string& out, uint16_t v) {
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v));
}

void PutBe32(std::string& out, uint32_t v) {
    PutBe16(out, static_cast<uint16_t>(v >> 16));
    PutBe16(out, static_cast<uint16_t>(v));
}

// Section and channel lengths: 4 bytes in a document, 8 in a large one.
void PutLength(std::string& out, uint64_t v, bool large) {
    if (large) PutBe32(out, static_cast<uint32_t>(v >> 32));
    PutBe32(out, static_cast<uint32_t>(v));
}

bool IsFlatDocument(std::string_view flat, uint32_t width, uint32_t height) {
    const std::string_view expected("8BPS\0\1\0\0\0\0\0\0\0\4", 14);
    const std::string_view empty("\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 14);
    const uint64_t planes = uint64_t{width} * height * 4;
    return flat.size() == kPlanesStart + planes && flat.substr(0, 14) == expected &&
           flat.substr(kHeaderSize - 4, 4) == std::string_view("\0\x08\0\x03", 4) &&
           flat.substr(kHeaderSize, 14) == empty;
}

void PutResource(std::string& out, uint16_t id, std::string_view data) {
    out += "8BIM";
    PutBe16(out, id);
    PutBe16(out, 0);  // empty name, padded to an even size
    PutBe32(out, static_cast<uint32_t>(data.size()));
    out += data;
    if (data.size() % 2 != 0) out.push_back('\0');
}

std::string ImageResources(const BitmapProperties& properties) {
    constexpr uint16_t kResolutionInfo = 1005;
    constexpr uint16_t kIccProfile = 1039;
    constexpr uint16_t kPixelsPerInch = 1;
    constexpr uint16_t kInches = 1;
    std::string resolution;
    for (const int32_t perMetre : {properties.xPixelsPerMetre, properties.yPixelsPerMetre}) {
        PutBe32(resolution, FixedPixelsPerInch(perMetre));
        PutBe16(resolution, kPixelsPerInch);
        PutBe16(resolution, kInches);  // the unit editors show the print size in
    }
    std::string resources;
    PutResource(resources, kResolutionInfo, resolution);
    if (!properties.iccProfile.empty()) {
        const auto* profile = reinterpret_cast<const char*>(properties.iccProfile.data());
        PutResource(resources, kIccProfile, {profile, properties.iccProfile.size()});
    }
    return resources;
}

// The layer name as a Pascal string of at most 255 bytes (cut between characters), padded to
// a multiple of 4, and in full as Unicode in a 'luni' block, which editors prefer.
std::string LayerName(std::string_view name) {
    std::size_t length = std::min<std::size_t>(name.size(), 255);
    if (length < name.size()) {
        while (length > 0 && (static_cast<uint8_t>(name[length]) & 0xC0) == 0x80) --length;
    }
    std::string out(1, static_cast<char>(length));
    out += name.substr(0, length);
    out.resize((out.size() + 3) / 4 * 4, '\0');

    const std::u16string wide = Utf8ToUtf16(name);
    out += "8BIMluni";
    PutBe32(out, static_cast<uint32_t>(4 + 2 * wide.size()));
    PutBe32(out, static_cast<uint32_t>(wide.size()));
    for (const char16_t c : wide) PutBe16(out, static_cast<uint16_t>(c));
    return out;
}

}  // namespace

DocumentFormat DocumentFormatFor(uint64_t width, uint64_t height) {
    const uint64_t side = std::max(width, height);
    if (side > kMaxPsbSide) return DocumentFormat::TooLarge;
    return side > kMaxPsdSide ? DocumentFormat::Psb : DocumentFormat::Psd;
}

uint32_t FixedPixelsPerInch(int32_t pixelsPerMetre) {
    constexpr double kMetresPerInch = 0.0254;
    constexpr double kLargest = 32767.0;  // keeps the fixed-point value positive
    if (pixelsPerMetre <= 0) return uint32_t{72} << 16;
    const double exact = std::min(pixelsPerMetre * kMetresPerInch, kLargest);
    // Bitmaps store whole pixels per metre: a whole number of pixels per inch that rounds to
    // the stored value is what was meant (11811 is 300, 3780 is 96).
    const double whole = std::round(exact);
    if (std::llround(whole / kMetresPerInch) == pixelsPerMetre) {
        return static_cast<uint32_t>(whole) << 16;
    }
    return static_cast<uint32_t>(std::llround(exact * 65536.0));
}

PsdDocument::PsdDocument(std::string_view flat, uint32_t width, uint32_t height, bool transparent,
                         const DocumentInfo& info) {
    const DocumentFormat format = DocumentFormatFor(width, height);
    if (format == DocumentFormat::TooLarge || !IsFlatDocument(flat, width, height)) return;
    const bool large = format == DocumentFormat::Psb;

    head_ = flat.substr(0, kHeaderSize);
    if (large) head_[5] = 2;  // version 2: the large document format
    PutBe32(head_, 0);        // no colour mode data
    const std::string resources = ImageResources(info.properties);
    PutBe32(head_, static_cast<uint32_t>(resources.size()));
    head_ += resources;

    const std::string_view image = flat.substr(kImageDataStart);
    if (!transparent) {
        PutLength(head_, 0, large);  // no layer section: the flat picture only
        pieces_ = {head_, image};
        return;
    }

    // One layer holding the picture. Its channels are the merged image's planes, alpha first.
    const uint64_t planeSize = uint64_t{width} * height;
    constexpr int16_t kChannelIds[] = {-1, 0, 1, 2};  // alpha, red, green, blue
    constexpr int kAlphaPlane = 3;

    std::string record;
    for (const uint32_t edge : {0u, 0u, height, width}) PutBe32(record, edge);  // top, left, ...
    PutBe16(record, 4);
    for (const int16_t id : kChannelIds) {
        PutBe16(record, static_cast<uint16_t>(id));
        PutLength(record, kRawCompression.size() + planeSize, large);
    }
    record += "8BIMnorm";
    record.push_back('\xFF');                 // opacity
    record += std::string_view("\0\0\0", 3);  // clipping base, flags (visible), filler
    const std::string name = LayerName(info.layerName);
    PutBe32(record, static_cast<uint32_t>(8 + name.size()));
    PutBe32(record, 0);  // no layer mask
    PutBe32(record, 0);  // no blending ranges
    record += name;

    uint64_t layerInfoSize = 2 + record.size() + 4 * (kRawCompression.size() + planeSize);
    const bool padded = layerInfoSize % 2 != 0;
    layerInfoSize += padded ? 1 : 0;
    const uint64_t lengthSize = large ? 8 : 4;
    PutLength(head_, lengthSize + layerInfoSize + 4, large);
    PutLength(head_, layerInfoSize, large);
    // A negative count says the merged image's alpha channel is its transparency, not a
    // saved selection.
    PutBe16(head_, static_cast<uint16_t>(-1));
    head_ += record;

    if (padded) tail_.push_back('\0');
    PutBe32(tail_, 0);  // no global layer mask

    pieces_ = {head_};
    for (const int16_t id : kChannelIds) {
        const uint64_t index = id < 0 ? kAlphaPlane : id;
        pieces_.push_back(kRawCompression);
        pieces_.push_back(flat.substr(kPlanesStart + index * planeSize, planeSize));
    }
    pieces_.push_back(tail_);
    pieces_.push_back(image);
}

}  // namespace pictorb
