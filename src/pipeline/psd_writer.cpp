#include "pipeline/psd_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <span>
#include <string_view>
#include <vector>

#include "pipeline/psd_planes.h"
#include "platform/output_file.h"
#include "text/utf8.h"

namespace pictorb {
namespace {

using psd::BigEndian;
using psd::Compression;
using psd::Plane;

// The document one picture makes.
struct Shape {
    psd::Version version = psd::Version::Psd;
    uint32_t width = 0;
    uint32_t height = 0;
    bool layered = false;  // a picture with transparency is also one layer holding it
    bool alpha = true;     // the merged image has an alpha channel
    Compression compression = Compression::Raw;
};

struct LayerChannel {
    psd::ChannelId id;
    Plane plane;
};
// The layer's channels, transparency first as editors write them.
constexpr LayerChannel kLayerChannels[] = {
    {psd::ChannelId::Transparency, Plane::Alpha},
    {psd::ChannelId::Red, Plane::Red},
    {psd::ChannelId::Green, Plane::Green},
    {psd::ChannelId::Blue, Plane::Blue},
};

// The merged image's channels in order.
std::vector<Plane> MergedPlanes(const Shape& shape) {
    std::vector<Plane> planes =
        shape.layered ? std::vector{Plane::MattedRed, Plane::MattedGreen, Plane::MattedBlue}
                      : std::vector{Plane::Red, Plane::Green, Plane::Blue};
    if (shape.alpha) planes.push_back(Plane::Alpha);
    return planes;
}

// Every plane the document stores, each once (the layer shares the merged image's alpha).
std::vector<Plane> StoredPlanes(const Shape& shape) {
    std::vector<Plane> planes = MergedPlanes(shape);
    if (shape.layered) planes.insert(planes.end(), {Plane::Red, Plane::Green, Plane::Blue});
    return planes;
}

// How many bytes each plane takes; compressed planes also keep every row's byte count.
class StoredSizes {
  public:
    explicit StoredSizes(const Shape& shape) : shape_(shape) {}

    std::vector<uint32_t>& Rows(Plane plane) { return rows_[static_cast<std::size_t>(plane)]; }
    // The plane's rows, without their counts.
    uint64_t Data(Plane plane) const {
        if (shape_.compression == Compression::Raw) return uint64_t{shape_.width} * shape_.height;
        uint64_t size = 0;
        for (const uint32_t row : rows_[static_cast<std::size_t>(plane)]) size += row;
        return size;
    }
    // A layer channel as its record counts it: compression, row counts, rows.
    uint64_t Channel(Plane plane) const { return 2 + CountsSize() + Data(plane); }
    // The plane's row counts (compressed planes only).
    void PutCounts(BigEndian& out, Plane plane) const {
        if (shape_.compression == Compression::Raw) return;
        for (const uint32_t row : rows_[static_cast<std::size_t>(plane)]) out.RowCount(row);
    }

  private:
    uint64_t CountsSize() const {
        if (shape_.compression == Compression::Raw) return 0;
        return uint64_t{shape_.height} * psd::RowCountBytes(shape_.version);
    }

    const Shape& shape_;
    std::array<std::vector<uint32_t>, psd::kPlaneCount> rows_;
};

// Packs every row once to learn its size: the row counts precede the rows in the file, and
// where a plane starts depends on the planes before it.
bool MeasurePackedRows(psd::PictureBands& bands, const Shape& shape, StoredSizes& sizes) {
    const unsigned width = bands.Width();
    const std::vector<Plane> planes = StoredPlanes(shape);
    try {
        std::vector<uint8_t> packed(psd::MaxPackedSize(width));
        for (unsigned top = 0; top < bands.Height(); top += bands.BandRows()) {
            const unsigned count = std::min(bands.BandRows(), bands.Height() - top);
            if (!bands.Read(top, count, shape.layered)) return false;
            for (const Plane plane : planes) {
                const std::span<const uint8_t> rows = bands.Rows(plane);
                for (unsigned row = 0; row < count; ++row) {
                    sizes.Rows(plane).push_back(static_cast<uint32_t>(psd::PackBits(
                        rows.subspan(std::size_t{row} * width, width), packed.data())));
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The document in file order: runs of bytes made here, and the places where the planes go.
class Layout {
  public:
    struct Run {
        uint64_t offset;
        std::string bytes;
    };
    struct Place {
        Plane plane;
        uint64_t offset;
    };

    explicit Layout(psd::Version version) : out_(version) {}

    // The bytes that follow what is laid out so far.
    BigEndian& Out() { return out_; }
    // A plane of `size` bytes follows.
    void PlaneHere(Plane plane, uint64_t size) {
        EndRun();
        places_.push_back({plane, end_});
        end_ += size;
    }
    void Finish() { EndRun(); }

    // A length did not fit its field.
    bool Refused() const { return refused_; }
    const std::vector<Run>& Runs() const { return runs_; }
    const std::vector<Place>& Places() const { return places_; }

  private:
    void EndRun() {
        refused_ = refused_ || out_.Refused();
        const uint64_t size = out_.Size();
        if (size > 0) runs_.push_back({end_, out_.Take()});
        end_ += size;
        out_ = BigEndian(out_.GetVersion());
    }

    BigEndian out_;
    uint64_t end_ = 0;
    bool refused_ = false;
    std::vector<Run> runs_;
    std::vector<Place> places_;
};

void Header(BigEndian& out, const Shape& shape) {
    out.Text(psd::kSignature);
    out.U16(static_cast<uint16_t>(shape.version));
    out.Zeros(psd::kReservedBytes);
    out.U16(static_cast<uint16_t>(MergedPlanes(shape).size()));
    out.U32(shape.height);
    out.U32(shape.width);
    out.U16(psd::kBitsPerChannel);
    out.U16(static_cast<uint16_t>(psd::ColourMode::Rgb));
}

void ColourModeData(BigEndian& out) {
    out.U32(0);  // RGB has none
}

void Resource(BigEndian& out, psd::ResourceId id, std::string_view data) {
    out.Text(psd::kResourceSignature);
    out.U16(static_cast<uint16_t>(id));
    out.U16(0);  // an empty name, padded to an even size
    out.U32(static_cast<uint32_t>(data.size()));
    out.Text(data);
    out.PadTo(2);
}

void ImageResources(BigEndian& out, const BitmapProperties& properties) {
    BigEndian resolution(out.GetVersion());
    for (const int32_t perMetre : {properties.xPixelsPerMetre, properties.yPixelsPerMetre}) {
        resolution.U32(FixedPixelsPerInch(perMetre));
        resolution.U16(psd::kPixelsPerInch);
        resolution.U16(psd::kInches);
    }
    BigEndian resources(out.GetVersion());
    Resource(resources, psd::ResourceId::ResolutionInfo, resolution.Bytes());
    if (!properties.iccProfile.empty()) {
        const auto* profile = reinterpret_cast<const char*>(properties.iccProfile.data());
        Resource(resources, psd::ResourceId::IccProfile, {profile, properties.iccProfile.size()});
    }
    out.U32(static_cast<uint32_t>(resources.Size()));
    out.Append(resources);
}

// Readers take the legacy name in an 8-bit code page of their own: it holds ASCII only, every
// other character as "_". The Unicode name beside it, which editors prefer, keeps the real one.
std::string LegacyName(const std::u16string& name) {
    std::string legacy;
    for (std::size_t i = 0; i < name.size() && legacy.size() < psd::kMaxLegacyNameBytes; ++i) {
        const char16_t c = name[i];
        const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < name.size();
        if (pair) ++i;  // one character
        legacy.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '_');
    }
    return legacy;
}

void LayerNames(BigEndian& out, std::string_view name) {
    const std::u16string wide = Utf8ToUtf16(name);
    const std::string legacy = LegacyName(wide);
    out.U8(static_cast<uint8_t>(legacy.size()));
    out.Text(legacy);
    out.PadTo(4);  // the Pascal string with its length byte
    out.Text(psd::kResourceSignature);
    out.Text(psd::kUnicodeNameKey);
    out.U32(static_cast<uint32_t>(4 + 2 * wide.size()));
    out.U32(static_cast<uint32_t>(wide.size()));
    for (const char16_t c : wide) out.U16(static_cast<uint16_t>(c));
}

// One layer holding the picture, when it has transparency; its channels follow its record.
void LayerAndMaskInformation(Layout& doc, const Shape& shape, const StoredSizes& sizes,
                             std::string_view name) {
    if (!shape.layered) {
        doc.Out().Length(0);
        return;
    }
    BigEndian record(shape.version);
    for (const uint32_t edge : {0u, 0u, shape.height, shape.width})  // top, left, bottom, right
        record.U32(edge);
    record.U16(static_cast<uint16_t>(std::size(kLayerChannels)));
    for (const LayerChannel& channel : kLayerChannels) {
        record.I16(static_cast<int16_t>(channel.id));
        record.Length(sizes.Channel(channel.plane));
    }
    record.Text(psd::kResourceSignature);
    record.Text(psd::kBlendNormal);
    record.U8(psd::kOpaque);
    record.U8(0);  // clipping: base
    record.U8(psd::kVisible);
    record.U8(0);  // filler
    BigEndian extra(shape.version);
    extra.U32(0);  // no layer mask
    extra.U32(0);  // no blending ranges
    LayerNames(extra, name);
    record.U32(static_cast<uint32_t>(extra.Size()));
    record.Append(extra);

    uint64_t layerInfo = 2 + record.Size();  // the layer count, the record, the channels
    for (const LayerChannel& channel : kLayerChannels) layerInfo += sizes.Channel(channel.plane);
    const bool padded = layerInfo % 2 != 0;
    if (padded) ++layerInfo;
    // The section: the layer information's length and bytes, then the global layer mask's.
    doc.Out().Length(psd::LengthBytes(shape.version) + layerInfo + 4);
    doc.Out().Length(layerInfo);
    doc.Out().I16(psd::kLayerCountWithMergedAlpha);
    doc.Out().Append(record);
    for (const LayerChannel& channel : kLayerChannels) {
        doc.Out().U16(static_cast<uint16_t>(shape.compression));
        sizes.PutCounts(doc.Out(), channel.plane);
        doc.PlaneHere(channel.plane, sizes.Data(channel.plane));
    }
    if (padded) doc.Out().U8(0);
    doc.Out().U32(0);  // no global layer mask
}

// The merged image: one compression for all channels, every row count, then the planes.
void ImageData(Layout& doc, const Shape& shape, const StoredSizes& sizes) {
    doc.Out().U16(static_cast<uint16_t>(shape.compression));
    const std::vector<Plane> planes = MergedPlanes(shape);
    for (const Plane plane : planes) sizes.PutCounts(doc.Out(), plane);
    for (const Plane plane : planes) doc.PlaneHere(plane, sizes.Data(plane));
}

enum class Fill { Ok, OutOfMemory, WriteFailed };

// Writes the laid-out bytes, then the planes in one pass over the picture: each band's rows
// of each plane go to where that plane has got to in the file.
Fill FillFile(FileSink& sink, const Layout& doc, psd::PictureBands& bands, const Shape& shape) {
    for (const Layout::Run& run : doc.Runs()) {
        if (!sink.WriteAt(run.offset, run.bytes)) return Fill::WriteFailed;
    }
    std::vector<uint64_t> next;
    for (const Layout::Place& place : doc.Places()) next.push_back(place.offset);
    const unsigned width = bands.Width();
    const bool packed = shape.compression == Compression::Rle;
    std::vector<uint8_t> packedRows;
    try {
        if (packed) packedRows.resize(psd::MaxPackedSize(width) * bands.BandRows());
    } catch (const std::bad_alloc&) {
        return Fill::OutOfMemory;
    }
    const std::vector<Plane> planes = StoredPlanes(shape);
    for (unsigned top = 0; top < bands.Height(); top += bands.BandRows()) {
        const unsigned count = std::min(bands.BandRows(), bands.Height() - top);
        if (!bands.Read(top, count, shape.layered)) return Fill::OutOfMemory;
        for (const Plane plane : planes) {
            const std::span<const uint8_t> rows = bands.Rows(plane);
            std::string_view bytes(reinterpret_cast<const char*>(rows.data()), rows.size());
            if (packed) {
                std::size_t size = 0;
                for (unsigned row = 0; row < count; ++row)
                    size += psd::PackBits(rows.subspan(std::size_t{row} * width, width),
                                          packedRows.data() + size);
                bytes = {reinterpret_cast<const char*>(packedRows.data()), size};
            }
            for (std::size_t i = 0; i < doc.Places().size(); ++i) {
                if (doc.Places()[i].plane != plane) continue;
                if (!sink.WriteAt(next[i], bytes)) return Fill::WriteFailed;
                next[i] += bytes.size();
            }
        }
    }
    return Fill::Ok;
}

}  // namespace

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

WriteResult WritePsd(const Image& picture, const DocumentInfo& info, const DocumentOptions& options,
                     const std::string& outputPath, const std::string& tempPath) {
    if (!picture || !FreeImage_HasPixels(picture.get()) || picture.Width() == 0 ||
        picture.Height() == 0)
        return WriteResult::OutOfMemory;
    const DocumentFormat format = DocumentFormatFor(picture.Width(), picture.Height());
    if (format == DocumentFormat::TooLarge) return WriteResult::TooLarge;

    psd::PictureBands bands(picture.get());
    Shape shape;
    shape.version = format == DocumentFormat::Psb ? psd::Version::Psb : psd::Version::Psd;
    shape.width = picture.Width();
    shape.height = picture.Height();
    shape.layered = bands.HasTransparency();
    shape.alpha = shape.layered || options.alpha == AlphaChannel::Always;
    shape.compression = options.compression;

    StoredSizes sizes(shape);
    if (shape.compression == Compression::Rle && !MeasurePackedRows(bands, shape, sizes))
        return WriteResult::OutOfMemory;

    Layout doc(shape.version);
    Header(doc.Out(), shape);
    ColourModeData(doc.Out());
    ImageResources(doc.Out(), info.properties);
    LayerAndMaskInformation(doc, shape, sizes, info.layerName);
    ImageData(doc, shape, sizes);
    doc.Finish();
    if (doc.Refused()) return WriteResult::TooLarge;

    Fill filled = Fill::Ok;
    const Placement placed = PlaceFile(outputPath, tempPath, [&](FileSink& sink) {
        filled = FillFile(sink, doc, bands, shape);
        return filled == Fill::Ok;
    });
    switch (placed.result) {
        case PlaceResult::Ok:
            return WriteResult::Ok;
        case PlaceResult::CannotCreate:
            return WriteResult::CannotCreate;
        case PlaceResult::WriteFailed:
            return filled == Fill::OutOfMemory ? WriteResult::OutOfMemory
                                               : WriteResult::WriteFailed;
        case PlaceResult::CannotMove:
            return WriteResult::CannotMove;
    }
    return WriteResult::WriteFailed;
}

}  // namespace pictorb
