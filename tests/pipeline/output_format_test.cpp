// The save flags of an output format, from its save-option settings.

#include <gtest/gtest.h>

#include "pipeline/job.h"

namespace pictorb {
namespace {

TEST(SaveFlags, CombineTheFormatsSaveOptions) {
    struct Case {
        const char* name;
        const char* key;
        void (*set)(ConversionSettings&);
        int32_t flags;
    };
    const Case cases[] = {
        {"jpg quality, low chroma, progressive", "jpg",
         [](ConversionSettings& s) { s.jpgQuality = 95, s.jpgChroma = 1, s.jpgSaveAs = 3; },
         0xA05F},
        {"jpg no subsampling, baseline", "jpg",
         [](ConversionSettings& s) { s.jpgQuality = 80, s.jpgChroma = 0, s.jpgSaveAs = 1; },
         80 | 0x10000 | 0x40000},
        {"png uncompressed, interlaced", "png",
         [](ConversionSettings& s) { s.pngCompression = 0, s.pngInterlaced = 1; }, 0x300},
        {"png unknown level", "png", [](ConversionSettings& s) { s.pngCompression = 4; }, 0},
        {"bmp rle", "bmp", [](ConversionSettings& s) { s.bmpCompression = 1; }, 1},
        {"exr b44", "exr", [](ConversionSettings& s) { s.exrCompression = 4; }, 0x20},
        {"tiff lzw cmyk", "tiff",
         [](ConversionSettings& s) { s.tiffCompression = 6, s.tiffColorModel = 1; }, 0x4001},
        {"tiff logluv lab", "tiff",
         [](ConversionSettings& s) { s.tiffCompression = 8, s.tiffColorModel = 2; }, 0x10000},
        {"tiff negative", "tiff", [](ConversionSettings& s) { s.tiffCompression = -1; }, 0},
        {"webp", "webp", [](ConversionSettings&) {}, 0x100},
        {"psd", "psd", [](ConversionSettings& s) { s.jpgQuality = 95; }, 0},
        {"psd rle", "psd", [](ConversionSettings& s) { s.psdCompression = 1; }, 0x200},
        {"psd unknown compression", "psd", [](ConversionSettings& s) { s.psdCompression = 6; }, 0},
        {"unknown key", "xyz", [](ConversionSettings& s) { s.jpgQuality = 95; }, 0},
        {"key in upper case", "JPG", [](ConversionSettings& s) { s.jpgQuality = 95; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionSettings settings;
        c.set(settings);
        EXPECT_EQ(ComputeSaveFlags(c.key, settings), c.flags);
    }
}

}  // namespace
}  // namespace pictorb
