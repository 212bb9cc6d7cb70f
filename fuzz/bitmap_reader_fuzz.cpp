// Feeds arbitrary bytes through the bitmap front door and FreeImage's decoder.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "pipeline/bitmap_format.h"
#include "pipeline/bitmap_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pictorb;
    const std::span<const uint8_t> bytes(data, size);

    // A smaller picture limit keeps every run inside the fuzzer's memory budget; the checks
    // are the same at any limit.
    const BitmapLimits limits{.maxPixels = uint64_t{1} << 18};
    const LoadedBitmap loaded = LoadBitmapBytes(bytes, limits);
    if (loaded.image) {
        // Touch the first and last rows so a wrong size shows up under the sanitizers.
        FIBITMAP* dib = loaded.image.get();
        const unsigned line = FreeImage_GetLine(dib);
        volatile uint8_t sum = 0;
        for (int row : {0, static_cast<int>(loaded.image.Height()) - 1}) {
            const BYTE* bits = FreeImage_GetScanLine(dib, row);
            for (unsigned i = 0; i < line; ++i) sum = sum + bits[i];
        }
        if (loaded.error != BitmapError::None) std::abort();
    } else if (loaded.error == BitmapError::None) {
        std::abort();
    }
    // A profile is carried only when it lies inside the file and looks like one.
    const std::vector<uint8_t>& profile = loaded.properties.iccProfile;
    if (!profile.empty() && (profile.size() < 128 || profile.size() > size ||
                             std::memcmp(profile.data() + 36, "acsp", 4) != 0)) {
        std::abort();
    }

    // The RLE repair is idempotent: a repaired stream passes through unchanged.
    if (size >= 3) {
        const uint32_t width = 1 + data[0] % 64;
        const uint32_t height = 1 + data[1] % 64;
        const bool rle4 = data[2] & 1;
        const auto once = bmp::RepairRleStream(bytes.subspan(3), width, height, rle4);
        if (bmp::RepairRleStream(once, width, height, rle4) != once) std::abort();
    }
    return 0;
}
