// Makes a picture from the input (its size, depth and options from the first bytes, the
// pixels, palette and transparency from the rest), writes it as a document and reads it back
// with FreeImage: the merged image must hold the picture, matted against white where it has
// transparency, and nothing may be left but the document.

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "pipeline/psd_writer.h"

namespace {

using namespace pictorb;

struct TempFolder {
    std::string path;
    ~TempFolder() { std::filesystem::remove_all(path); }
};

const std::string& Folder() {
    static const TempFolder folder{[] {
        char pattern[] = "/tmp/pictorb-fuzz-psd-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) std::abort();
        return std::string(made);
    }()};
    return folder.path;
}

// The input's bytes from `at` on, over and over; zeros when there are none.
struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at;
    uint8_t Next() { return size == 0 ? 0 : data[at++ % size]; }
};

Image MakePicture(uint8_t kind, unsigned width, unsigned height, Bytes& bytes) {
    const unsigned depths[] = {24, 32, 8, 4, 1, 16};
    const unsigned bpp = depths[kind % 6];
    Image image(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height),
                                   static_cast<int>(bpp)));
    if (!image) return image;
    for (unsigned y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(image.get(), static_cast<int>(y));
        for (unsigned i = 0; i < FreeImage_GetLine(image.get()); ++i) row[i] = bytes.Next();
    }
    if (RGBQUAD* palette = FreeImage_GetPalette(image.get())) {
        for (unsigned i = 0; i < FreeImage_GetColorsUsed(image.get()); ++i)
            palette[i] = RGBQUAD{bytes.Next(), bytes.Next(), bytes.Next(), 0};
        if (kind & 0x40) {
            std::vector<BYTE> table(1 + bytes.Next() % FreeImage_GetColorsUsed(image.get()));
            for (BYTE& entry : table) entry = bytes.Next();
            FreeImage_SetTransparencyTable(image.get(), table.data(),
                                           static_cast<int>(table.size()));
        }
    }
    return image;
}

uint8_t Matted(uint8_t colour, uint8_t alpha) {
    return static_cast<uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    // Rows up to 300 pixels wide, so that runs and literals cross their 128-byte limits.
    const unsigned width = 1 + data[0] + (data[1] & 1) * 44u;
    const unsigned height = 1 + (data[1] >> 1) % 24;
    const uint8_t kind = data[2];
    DocumentOptions options;
    if (data[3] & 1) options.compression = psd::Compression::Rle;
    if (data[3] & 2) options.alpha = AlphaChannel::Auto;
    Bytes bytes{data + 4, size - 4, 0};
    const Image picture = MakePicture(kind, width, height, bytes);
    if (!picture) return 0;

    const std::string path = Folder() + "/out.psd";
    std::filesystem::remove(path);
    if (WritePsd(picture, {}, options, path, Folder() + "/temp.psd") != WriteResult::Ok)
        std::abort();
    if (std::distance(std::filesystem::directory_iterator(Folder()), {}) != 1) std::abort();

    const Image expected(FreeImage_ConvertTo32Bits(picture.get()));
    Image read(FreeImage_Load(FIF_PSD, path.c_str(), 0));
    if (!expected || !read || read.Width() != width || read.Height() != height) std::abort();
    read = Image(FreeImage_ConvertTo32Bits(read.get()));
    bool transparent = false;
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* p = FreeImage_GetScanLine(expected.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) transparent |= p[4 * x + FI_RGBA_ALPHA] != 0xFF;
    }
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* want = FreeImage_GetScanLine(expected.get(), static_cast<int>(y));
        const BYTE* got = FreeImage_GetScanLine(read.get(), static_cast<int>(y));
        for (unsigned x = 0; x < 4 * width; x += 4) {
            const uint8_t alpha = want[x + FI_RGBA_ALPHA];
            for (const int c : {FI_RGBA_RED, FI_RGBA_GREEN, FI_RGBA_BLUE}) {
                const uint8_t colour = transparent ? Matted(want[x + c], alpha) : want[x + c];
                if (got[x + c] != colour) std::abort();
            }
            if (got[x + FI_RGBA_ALPHA] != alpha) std::abort();
        }
    }
    return 0;
}
