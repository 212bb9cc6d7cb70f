#include "formats/formats.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace pictorb
