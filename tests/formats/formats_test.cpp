#include "formats/formats.h"

#include <gtest/gtest.h>

#include <set>

namespace pictorb {
namespace {

TEST(FormatTables, HoldEveryFormatOfTheFamilyOnce) {
    const Formats formats = MakeFormats();
    EXPECT_EQ(formats.inputTable.size(), 79u);
    EXPECT_EQ(formats.inputKeys.size(), 79u);
    EXPECT_EQ(formats.outputTable.size(), 23u);
    EXPECT_EQ(formats.outputKeys.size(), 23u);

    // A group is named by one of its own rows, which stands for itself.
    for (const auto& [key, row] : formats.inputTable) {
        SCOPED_TRACE(key);
        const auto group = formats.inputTable.find(row.group);
        ASSERT_NE(group, formats.inputTable.end());
        EXPECT_EQ(group->second.group, row.group);
        EXPECT_FALSE(row.description.empty());
    }
    EXPECT_EQ(formats.inputTable.at("apm").group, "wmf");

    for (const auto& [key, row] : formats.outputTable) {
        SCOPED_TRACE(key);
        EXPECT_EQ(row.key, key);
        // Depths ascend, so the last one is the deepest the format can hold.
        int previous = 0;
        for (int depth = 1; depth <= 96; ++depth) {
            if (IsValidDepth(formats, key, depth)) {
                EXPECT_GT(depth, previous);
                previous = depth;
            }
        }
        EXPECT_GT(previous, 0);
    }
    EXPECT_EQ(formats.outputTable.at("psd").id, 0x0439);  // written through DevIL
}

TEST(FormatTables, ThisEditionReadsBitmapsAndWritesPhotoshop) {
    const Formats formats = MakeFormats();
    EXPECT_EQ(formats.inputList, std::vector<std::string>{"bmp"});
    EXPECT_EQ(formats.outputList, std::vector<std::string>{"psd"});
    EXPECT_EQ(formats.acceptedExtensions, (std::vector<std::string>{"bmp", "rle", "dib"}));
}

TEST(FormatTables, AcceptedExtensionsFollowTheInputList) {
    Formats formats = MakeFormats();
    formats.inputList = {"tiff", "jpg"};
    BuildAcceptedExtensions(formats);
    EXPECT_EQ(formats.acceptedExtensions,
              (std::vector<std::string>{"tiff", "tif", "jpg", "jpeg", "jpe", "jif"}));
    formats.inputList = {"nothing"};
    BuildAcceptedExtensions(formats);
    EXPECT_TRUE(formats.acceptedExtensions.empty());
}

TEST(InputAcceptance, OnlyTheExtensionOfTheNameDecides) {
    const Formats formats = MakeFormats();
    struct Case {
        const char* path;
        bool accepted;
    };
    const Case cases[] = {
        {"PHOTO.BMP", true},       {"photo.Rle", true},
        {"photo.dib", true},       {"/a/b.c/photo.bmp", true},
        {"photo.png", false},      {"photo", false},
        {"dir.bmp/file", false},   {"photo.bmp.txt", false},
        {"photo.", false},         {"", false},
        {"archive.tar.bmp", true}, {".bmp", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IsAcceptedInput(formats, c.path), c.accepted);
    }
    EXPECT_EQ(LowerExtension("x/Y.TIFF"), "tiff");
    EXPECT_EQ(LowerExtension("dir.bmp/file"), "");
    EXPECT_EQ(LowerExtension("pic.\xC3\x89X"), "\xC3\xA9x");  // non-ASCII letters too
}

TEST(OutputFormats, KeysAndDepthsAreCheckedExactly) {
    const Formats formats = MakeFormats();
    EXPECT_TRUE(IsOutputFormat(formats, "psd"));
    EXPECT_FALSE(IsOutputFormat(formats, "PSD"));
    EXPECT_FALSE(IsOutputFormat(formats, "rle"));
    // The table knows the whole family; this edition writes only what its list holds.
    EXPECT_FALSE(IsOutputFormat(formats, "jpg"));
    EXPECT_EQ(BitDepthList(formats, "nope"), "");
    EXPECT_TRUE(IsValidDepth(formats, "psd", 0));
    EXPECT_TRUE(IsValidDepth(formats, "psd", 32));
    EXPECT_FALSE(IsValidDepth(formats, "psd", 24));
    EXPECT_FALSE(IsValidDepth(formats, "psd", 3));  // no partial match of "32"
    EXPECT_FALSE(IsValidDepth(formats, "nope", 32));
}

TEST(OutputFormats, EveryFormatHasItsOwnDepthSetting) {
    const Formats formats = MakeFormats();
    ConversionSettings settings;
    std::set<const int32_t*> seen;
    for (const std::string& key : formats.outputKeys) {
        SCOPED_TRACE(key);
        const int32_t* depth = BitDepthSetting(settings, key);
        ASSERT_NE(depth, nullptr);
        EXPECT_TRUE(seen.insert(depth).second);
    }
    EXPECT_EQ(BitDepthSetting(settings, "psd"), &settings.psdBpp);
    EXPECT_EQ(BitDepthSetting(settings, "PSD"), nullptr);
}

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
