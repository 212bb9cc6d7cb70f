#include "pipeline/bitmap_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "pipeline/bitmap_format.h"
#include "platform/file_descriptor.h"
#include "platform/files.h"

namespace pictorb {
namespace {

using bmp::BitmapInfo;
using bmp::ByteSource;

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

// FreeImage reports through one process-wide callback, so the last message of the loading
// thread is kept here to tell a failed allocation from a refused stream.
thread_local bool tLastMessageWasAllocation = false;

void DLL_CALLCONV SwallowMessage(FREE_IMAGE_FORMAT, const char* message) {
    tLastMessageWasAllocation = message != nullptr && std::strstr(message, "allocation") != nullptr;
}

class FileSource : public ByteSource {
  public:
    FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, uint8_t* dst, size_t n) const override {
        while (n > 0) {
            const ssize_t got = pread(fd_, dst, n, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            dst += got;
            offset += static_cast<uint64_t>(got);
            n -= static_cast<size_t>(got);
        }
        return true;
    }

  private:
    int fd_;
    uint64_t size_;
};

// One stretch of the stream FreeImage reads.
class Segment {
  public:
    virtual ~Segment() = default;
    virtual uint64_t Size() const = 0;
    virtual bool Read(uint64_t offset, uint8_t* dst, size_t n) = 0;
};

class BytesSegment : public Segment {
  public:
    explicit BytesSegment(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool Read(uint64_t offset, uint8_t* dst, size_t n) override {
        if (n > 0) std::memcpy(dst, bytes_.data() + offset, n);
        return true;
    }

  private:
    std::vector<uint8_t> bytes_;
};

// The file's pixel rows as they are; a last row without its padding is completed with zeros.
class SourceSegment : public Segment {
  public:
    SourceSegment(const ByteSource& source, uint64_t offset, uint64_t available, uint64_t size)
        : source_(source), offset_(offset), available_(std::min(available, size)), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, uint8_t* dst, size_t n) override {
        const size_t present = offset < available_
                                   ? static_cast<size_t>(std::min<uint64_t>(n, available_ - offset))
                                   : 0;
        if (present > 0 && !source_.Read(offset_ + offset, dst, present)) return false;
        std::memset(dst + present, 0, n - present);
        return true;
    }

  private:
    const ByteSource& source_;
    uint64_t offset_, available_, size_;
};

// 16- and 32-bit rows with masks, unpacked row by row into 24- or 32-bit BI_RGB rows.
class MaskedSegment : public Segment {
  public:
    MaskedSegment(const ByteSource& source, const BitmapInfo& info, uint16_t outBpp)
        : source_(source),
          info_(info),
          outBpp_(outBpp),
          outStride_((uint64_t{info.width} * outBpp + 31) / 32 * 4),
          inRow_(info.stride),
          outRow_(outStride_) {}
    uint64_t Size() const override { return outStride_ * info_.height; }
    bool Read(uint64_t offset, uint8_t* dst, size_t n) override {
        while (n > 0) {
            const uint64_t row = offset / outStride_;
            const uint64_t within = offset % outStride_;
            if (row != cachedRow_ && !Convert(row)) return false;
            const size_t part = static_cast<size_t>(std::min<uint64_t>(n, outStride_ - within));
            std::memcpy(dst, outRow_.data() + within, part);
            dst += part;
            offset += part;
            n -= part;
        }
        return true;
    }

  private:
    bool Convert(uint64_t row) {
        const uint64_t start = row * info_.stride;
        const uint64_t present = std::min<uint64_t>(info_.stride, info_.dataAvailable - start);
        std::fill(inRow_.begin(), inRow_.end(), 0);
        if (!source_.Read(info_.dataOffset + start, inRow_.data(), present)) return false;
        bmp::UnpackMaskedRow(inRow_.data(), info_.width, info_.bpp, info_.masks, outRow_.data(),
                             outBpp_);
        cachedRow_ = row;
        return true;
    }

    const ByteSource& source_;
    const BitmapInfo& info_;
    uint16_t outBpp_;
    uint64_t outStride_;
    std::vector<uint8_t> inRow_, outRow_;
    uint64_t cachedRow_ = UINT64_MAX;
};

// Segments read one after another through FreeImage's I/O callbacks.
class StitchedStream {
  public:
    void Add(std::unique_ptr<Segment> segment) {
        size_ += segment->Size();
        segments_.push_back(std::move(segment));
    }
    uint64_t Size() const { return size_; }
    bool failed() const { return failed_; }

    static FreeImageIO Io() {
        FreeImageIO io{};
        io.read_proc = [](void* buffer, unsigned size, unsigned count, fi_handle h) {
            return static_cast<StitchedStream*>(h)->Read(buffer, size, count);
        };
        io.write_proc = [](void*, unsigned, unsigned, fi_handle) { return 0u; };
        io.seek_proc = [](fi_handle h, long offset, int origin) {
            return static_cast<StitchedStream*>(h)->Seek(offset, origin);
        };
        io.tell_proc = [](fi_handle h) {
            return static_cast<long>(static_cast<StitchedStream*>(h)->position_);
        };
        return io;
    }

  private:
    unsigned Read(void* buffer, unsigned size, unsigned count) {
        if (size == 0 || position_ >= size_) return 0;
        const uint64_t items = std::min<uint64_t>(count, (size_ - position_) / size);
        uint64_t left = items * size;
        auto* dst = static_cast<uint8_t*>(buffer);
        uint64_t segmentStart = 0;
        for (const auto& segment : segments_) {
            const uint64_t segmentEnd = segmentStart + segment->Size();
            if (left > 0 && position_ < segmentEnd) {
                const uint64_t part = std::min(left, segmentEnd - position_);
                if (!segment->Read(position_ - segmentStart, dst, static_cast<size_t>(part))) {
                    failed_ = true;
                    return 0;
                }
                dst += part;
                position_ += part;
                left -= part;
            }
            segmentStart = segmentEnd;
        }
        return static_cast<unsigned>(items);
    }

    int Seek(long offset, int origin) {
        const int64_t base = origin == SEEK_SET   ? 0
                             : origin == SEEK_CUR ? static_cast<int64_t>(position_)
                                                  : static_cast<int64_t>(size_);
        if (offset < 0 && -static_cast<int64_t>(offset) > base) return -1;
        position_ = static_cast<uint64_t>(base + offset);
        return 0;
    }

    std::vector<std::unique_ptr<Segment>> segments_;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
    bool failed_ = false;
};

enum class AlphaRule { Keep, ForceOpaque, OpaqueIfAllZero };

// The 40-byte form of the bitmap FreeImage is given.
struct Plan {
    uint16_t bpp = 0;
    uint32_t compression = bmp::kRgb;
    AlphaRule alpha = AlphaRule::Keep;
    bool plainRows = false;  // 24- or 32-bit rows as FreeImage keeps them
    std::unique_ptr<Segment> pixels;
};

void PutLe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> CanonicalHeader(const BitmapInfo& info, const Plan& plan) {
    const auto paletteBytes = static_cast<uint32_t>(info.palette.size());
    const uint32_t offBits = kFileHeaderSize + kInfoHeaderSize + paletteBytes;
    const uint64_t dataSize = plan.pixels->Size();
    const auto clampedU32 = [](uint64_t v) {
        return static_cast<uint32_t>(std::min<uint64_t>(v, UINT32_MAX));
    };

    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, clampedU32(offBits + dataSize));
    PutLe32(out, 0);
    PutLe32(out, offBits);
    PutLe32(out, kInfoHeaderSize);
    PutLe32(out, info.width);
    const auto height = static_cast<int32_t>(info.height);
    PutLe32(out, static_cast<uint32_t>(info.topDown ? -height : height));
    PutLe16(out, 1);
    PutLe16(out, plan.bpp);
    PutLe32(out, plan.compression);
    PutLe32(out, clampedU32(dataSize));
    PutLe32(out, static_cast<uint32_t>(info.xPelsPerMeter));
    PutLe32(out, static_cast<uint32_t>(info.yPelsPerMeter));
    PutLe32(out, paletteBytes / 4);
    PutLe32(out, 0);
    out.insert(out.end(), info.palette.begin(), info.palette.end());
    return out;
}

// Chooses the form FreeImage decodes exactly; Truncated/Unreadable when the data fails.
BitmapError MakePlan(const ByteSource& source, const BitmapInfo& info, Plan& plan) {
    plan.bpp = info.bpp;
    const uint64_t size = info.stride * info.height;
    const auto copy = [&] {
        return std::make_unique<SourceSegment>(source, info.dataOffset, info.dataAvailable, size);
    };
    if (info.compression == bmp::kRle8 || info.compression == bmp::kRle4) {
        // A generous bound on a useful stream; anything after it cannot define pixels.
        const uint64_t pixels = uint64_t{info.width} * info.height;
        const uint64_t cap = 2 * pixels + 8 * uint64_t{info.height} + 4096;
        std::vector<uint8_t> stream(std::min(info.dataAvailable, cap));
        if (!source.Read(info.dataOffset, stream.data(), stream.size())) {
            return BitmapError::Unreadable;
        }
        plan.compression = info.compression;
        plan.pixels = std::make_unique<BytesSegment>(
            bmp::RepairRleStream(stream, info.width, info.height, info.compression == bmp::kRle4));
        return BitmapError::None;
    }
    if (info.bpp == 16) {
        // Unpacked here, every layout: FreeImage would expand 5- and 6-bit fields by truncation
        // later (3 of 31 to 24, not 25), and decodes other layouts to wrong colours.
        plan.bpp = info.masks.alpha ? 32 : 24;
        plan.alpha = AlphaRule::OpaqueIfAllZero;
        plan.pixels = std::make_unique<MaskedSegment>(source, info, plan.bpp);
        return BitmapError::None;
    }
    if (info.bpp == 32) {
        bmp::BitMasks colour = info.masks;
        colour.alpha = 0;
        const bool usualPlaces =
            colour == bmp::kMasks888 && (info.masks.alpha == 0 || info.masks.alpha == 0xFF000000u);
        if (usualPlaces) {
            plan.pixels = copy();
            plan.plainRows = true;
            // Without an alpha mask the fourth byte is padding; BI_RGB writers mostly leave it 0.
            plan.alpha = info.hasMasks && info.masks.alpha == 0 ? AlphaRule::ForceOpaque
                                                                : AlphaRule::OpaqueIfAllZero;
        } else {
            plan.pixels = std::make_unique<MaskedSegment>(source, info, 32);
            plan.alpha = AlphaRule::OpaqueIfAllZero;
        }
        return BitmapError::None;
    }
    plan.pixels = copy();
    plan.plainRows = info.bpp == 24;
    return BitmapError::None;
}

// Pictures from this many bytes on are read into memory of their own (below).
constexpr uint64_t kOwnMemoryBytes = uint64_t{4} << 20;

// Plain rows are FreeImage's own layout, bottom-up with the same padding: a large picture is
// read straight into memory that can come in huge pages, instead of a bitmap FreeImage clears
// page by page before filling it (most of a conversion's time on virtual machines).
BitmapError ReadPlainRows(const ByteSource& source, const BitmapInfo& info, Image& image) {
    const uint64_t stride = info.stride;
    PictureMemory memory(static_cast<std::size_t>(stride * info.height));
    uint8_t* const bits = memory.Data();
    if (bits == nullptr) return BitmapError::OutOfMemory;
    // A last row without its padding keeps the zeros the memory starts with.
    if (info.topDown) {
        for (uint32_t row = 0; row < info.height; ++row) {
            const uint64_t start = uint64_t{row} * stride;
            const uint64_t present = std::min(stride, info.dataAvailable - start);
            if (!source.Read(info.dataOffset + start, bits + (info.height - 1 - row) * stride,
                             present))
                return BitmapError::Unreadable;
        }
    } else if (!source.Read(info.dataOffset, bits,
                            std::min(stride * info.height, info.dataAvailable))) {
        return BitmapError::Unreadable;
    }
    FIBITMAP* dib = FreeImage_ConvertFromRawBitsEx(
        FALSE, bits, FIT_BITMAP, static_cast<int>(info.width), static_cast<int>(info.height),
        static_cast<int>(stride), info.bpp, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK,
        FALSE);
    if (dib == nullptr) return BitmapError::OutOfMemory;
    FreeImage_SetDotsPerMeterX(dib, static_cast<unsigned>(std::max(info.xPelsPerMeter, 0)));
    FreeImage_SetDotsPerMeterY(dib, static_cast<unsigned>(std::max(info.yPelsPerMeter, 0)));
    image = Image(dib, std::move(memory));
    return BitmapError::None;
}

// Everything else goes through FreeImage's own decoder, given the canonical form of the plan.
BitmapError DecodeWithFreeImage(const BitmapInfo& info, Plan& plan, Image& image) {
    StitchedStream stream;
    stream.Add(std::make_unique<BytesSegment>(CanonicalHeader(info, plan)));
    stream.Add(std::move(plan.pixels));
    FreeImageIO io = StitchedStream::Io();
    tLastMessageWasAllocation = false;
    image.Reset(FreeImage_LoadFromHandle(FIF_BMP, &io, &stream, 0));
    if (!image) {
        return stream.failed()             ? BitmapError::Unreadable
               : tLastMessageWasAllocation ? BitmapError::OutOfMemory
                                           : BitmapError::NotABitmap;
    }
    if (stream.failed()) {
        image.Reset();
        return BitmapError::Unreadable;
    }
    return BitmapError::None;
}

void ApplyAlphaRule(FIBITMAP* dib, AlphaRule rule) {
    if (rule == AlphaRule::Keep || FreeImage_GetBPP(dib) != 32) return;
    const unsigned width = FreeImage_GetWidth(dib);
    const unsigned height = FreeImage_GetHeight(dib);
    if (rule == AlphaRule::OpaqueIfAllZero) {
        for (unsigned y = 0; y < height; ++y) {
            const BYTE* line = FreeImage_GetScanLine(dib, static_cast<int>(y));
            for (unsigned x = 0; x < width; ++x) {
                if (line[4 * x + FI_RGBA_ALPHA] != 0) return;
            }
        }
    }
    for (unsigned y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib, static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) line[4 * x + FI_RGBA_ALPHA] = 0xFF;
    }
    FreeImage_SetTransparent(dib, FALSE);
}

// Profiles larger than this are not carried (real ones are a few kilobytes, rarely a megabyte).
constexpr uint32_t kMaxProfileBytes = 16u << 20;

// The embedded profile when it is where the header says and looks like one (a 128-byte
// header with the signature "acsp"); otherwise none, which costs only the colour management.
std::vector<uint8_t> ReadProfile(const ByteSource& source, const BitmapInfo& info) {
    constexpr std::size_t kIccHeaderSize = 128;
    if (info.profileSize < kIccHeaderSize || info.profileSize > kMaxProfileBytes ||
        info.profileOffset > source.Size() ||
        info.profileSize > source.Size() - info.profileOffset) {
        return {};
    }
    std::vector<uint8_t> profile(info.profileSize);
    if (!source.Read(info.profileOffset, profile.data(), profile.size()) ||
        std::memcmp(profile.data() + 36, "acsp", 4) != 0) {
        return {};
    }
    return profile;
}

LoadedBitmap LoadFromSource(const ByteSource& source, const BitmapLimits& limits) {
    static std::once_flag messagesSwallowed;
    std::call_once(messagesSwallowed, [] { FreeImage_SetOutputMessage(SwallowMessage); });

    LoadedBitmap result;
    try {
        BitmapInfo info;
        result.error = bmp::ReadBitmapInfo(source, limits, info);
        if (result.error != BitmapError::None) return result;
        Plan plan;
        result.error = MakePlan(source, info, plan);
        if (result.error != BitmapError::None) return result;

        result.error = plan.plainRows && info.stride * info.height >= kOwnMemoryBytes
                           ? ReadPlainRows(source, info, result.image)
                           : DecodeWithFreeImage(info, plan, result.image);
        if (result.error != BitmapError::None) {
            result.image.Reset();
            return result;
        }
        ApplyAlphaRule(result.image.get(), plan.alpha);
        result.properties.xPixelsPerMetre = info.xPelsPerMeter;
        result.properties.yPixelsPerMetre = info.yPelsPerMeter;
        result.properties.iccProfile = ReadProfile(source, info);
    } catch (const std::bad_alloc&) {
        result.image.Reset();
        result.error = BitmapError::OutOfMemory;
    }
    return result;
}

}  // namespace

LoadedBitmap LoadBitmapBytes(std::span<const uint8_t> bytes, const BitmapLimits& limits) {
    return LoadFromSource(bmp::MemorySource(bytes), limits);
}

LoadedBitmap LoadBitmapFile(const std::string& path, const BitmapLimits& limits) {
    LoadedBitmap result;
    const OpenedFile opened = OpenRegularFile(path);
    const FileDescriptor fd(opened.fd);
    if (fd.Get() < 0) {
        result.error = opened.notRegular ? BitmapError::NotAFile : BitmapError::Unreadable;
        result.systemError = opened.error;
        return result;
    }
    return LoadFromSource(FileSource(fd.Get(), opened.size), limits);
}

std::optional<BitmapSize> ReadBitmapSize(const std::string& path) {
    const OpenedFile opened = OpenRegularFile(path);
    const FileDescriptor fd(opened.fd);
    if (fd.Get() < 0) return std::nullopt;
    bmp::BitmapInfo info;
    // The size alone is wanted here; the load checks it against the memory.
    const BitmapLimits unlimited{kDefaultMaxBitmapPixels, UINT64_MAX};
    if (bmp::ReadBitmapInfo(FileSource(fd.Get(), opened.size), unlimited, info) !=
        BitmapError::None)
        return std::nullopt;
    return BitmapSize{info.width, info.height, info.bpp};
}

const char* BitmapErrorName(BitmapError error) {
    switch (error) {
        case BitmapError::None:
            return "none";
        case BitmapError::Unreadable:
            return "unreadable";
        case BitmapError::NotAFile:
            return "not a regular file";
        case BitmapError::NotABitmap:
            return "not a bitmap";
        case BitmapError::Unsupported:
            return "unsupported bitmap variant";
        case BitmapError::TooLarge:
            return "picture too large";
        case BitmapError::Truncated:
            return "truncated";
        case BitmapError::OutOfMemory:
            return "out of memory";
    }
    return "unknown";
}

}  // namespace pictorb
