// The documents the program writes: pixels read back with FreeImage's PSD reader, output
// names from masks, and file times.

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>

#include "e2e/harness.h"

namespace pictorb::e2e {
namespace {

using testsupport::BmpCompression;
using testsupport::BmpSpec;
using Lines = std::vector<std::string>;

const Lines kSuccess = {
    "Preparing...",  "Importing...",        "Import complete, new files added: 1",
    "Converting...", "Conversion complete", "Files converted: 1 of 1"};

// A palette of `size` distinct colours and a picture that uses all of them.
BmpSpec PaletteSpec(int width, int height, uint16_t bpp, int size) {
    BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bpp = bpp;
    for (int i = 0; i < size; ++i) {
        spec.palette.push_back({static_cast<uint8_t>(i * 255 / (size - 1)),
                                static_cast<uint8_t>((i * 67) & 0xFF),
                                static_cast<uint8_t>(255 - (i * 29 & 0xFF)), 255});
    }
    for (int i = 0; i < width * height; ++i)
        spec.pixels.push_back(spec.palette[(i * 7 + i / width) % size]);
    return spec;
}

BmpSpec SixteenBitSpec(int width, int height, bool is565) {
    BmpSpec spec = TrueColourSpec(width, height, 16);
    if (is565) {
        spec.compression = BmpCompression::BitFields;
        spec.redMask = 0xF800;
        spec.greenMask = 0x07E0;
        spec.blueMask = 0x001F;
    } else {
        spec.redMask = 0x7C00;
        spec.greenMask = 0x03E0;
        spec.blueMask = 0x001F;
    }
    return spec;
}

class FilesTest : public ProgramTest {};

TEST_F(FilesTest, DocumentsHoldTheBitmapsPixels) {
    struct Variant {
        std::string name;  // the input file name; the document takes its name part
        BmpSpec spec;
        int tolerance = 0;
    };
    BmpSpec topDown = TrueColourSpec(6, 4, 24);
    topDown.topDown = true;
    BmpSpec os2 = PaletteSpec(5, 3, 8, 20);
    os2.headerSize = 12;
    BmpSpec os2TrueColour = TrueColourSpec(5, 3, 24);
    os2TrueColour.headerSize = 12;
    BmpSpec rle8 = PaletteSpec(9, 5, 8, 6);
    rle8.compression = BmpCompression::Rle8;
    BmpSpec rle4 = PaletteSpec(9, 5, 4, 5);
    rle4.compression = BmpCompression::Rle4;
    BmpSpec v5 = TrueColourSpec(4, 3, 32);
    v5.headerSize = 124;
    const Variant variants[] = {
        {"one.bmp", PaletteSpec(13, 3, 1, 2)},
        {"four.bmp", PaletteSpec(7, 3, 4, 16)},
        {"eight.bmp", PaletteSpec(7, 5, 8, 256)},
        {"rgb555.bmp", SixteenBitSpec(7, 3, false)},
        {"rgb565.bmp", SixteenBitSpec(7, 3, true)},
        {"true.bmp", TrueColourSpec(7, 3, 24)},
        {"alpha.bmp", TrueColourSpec(7, 3, 32)},
        {"v5header.bmp", v5},
        {"topdown.bmp", topDown},
        {"os2.bmp", os2},
        {"os2true.bmp", os2TrueColour},
        {"runs.rle", rle8},
        {"runs4.rle", rle4},
        {"plain.dib", TrueColourSpec(3, 2, 24)},
        {"UPPER.BMP", TrueColourSpec(3, 2, 24)},
        {"Mixed.Dib", PaletteSpec(5, 2, 4, 9)},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const std::string input = WriteBitmap(v.name, v.spec);
        ASSERT_EQ(Run({"-i", input, "-o", OutFolder()}).AfterBanner(), kSuccess);
        const std::string stem = v.name.substr(0, v.name.rfind('.'));
        const std::optional<Picture> picture = ReadPsd(OutFolder() + "/" + stem + ".psd");
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(picture->width, v.spec.width);
        EXPECT_EQ(picture->height, v.spec.height);
        std::vector<Rgba> expected = v.spec.pixels;
        if (v.spec.bpp == 16) {
            for (Rgba& c : expected)
                c = testsupport::QuantizeToMasks(c, v.spec.redMask, v.spec.greenMask,
                                                 v.spec.blueMask, 0);
        }
        EXPECT_TRUE(SamePixels(expected, picture->pixels, v.tolerance));
    }
    EXPECT_EQ(FolderNames(OutFolder()).size(), std::size(variants));
}

// True when `name` has the shape of `pattern`, in which '9' stands for any digit.
bool HasShape(const std::string& name, const std::string& pattern) {
    if (name.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (pattern[i] == '9' ? !digit : name[i] != pattern[i]) return false;
    }
    return true;
}

TEST_F(FilesTest, OutputNamesFollowTheMask) {
    const std::string input = WriteBitmap("myPIC.v2.bmp", TrueColourSpec(4, 2, 24));
    const std::pair<std::string, std::string> masks[] = {
        {"%filename[t]%.%ext[t]%", "Mypic.Psd"},
        {"%FILENAME[U]%_%n%", "MYPIC_00001"},
        {"%n%-%rnd%.%ext%", "00001-99999.psd"},
        {"Shot_%width%x%height%_%bpp%.%EXT[U]%", "shot_4x2_32.PSD"},
        {"%yyyy%-%mm%-%dd%.%ext%", "9999-99-99.psd"},
    };
    for (const auto& [mask, pattern] : masks) {
        SCOPED_TRACE(mask);
        std::filesystem::remove_all(OutFolder());
        std::filesystem::create_directory(OutFolder());
        EXPECT_EQ(Run({"-i", input, "-o", OutFolder(), "--filename-mask=" + mask}).AfterBanner(),
                  kSuccess);
        const Lines names = FolderNames(OutFolder());
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(HasShape(names[0], pattern)) << names[0];
    }
}

time_t ModifiedTime(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return -1;
    return info.st_mtim.tv_sec;
}

TEST_F(FilesTest, TheThreeTimeStampChoices) {
    const std::string input = WriteBitmap("in.bmp", TrueColourSpec(4, 2, 24));
    const time_t original = 946684800 + 12345;  // January 2000
    const timespec times[2] = {{original, 0}, {original, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, input.c_str(), times, 0), 0);
    const std::string output = OutFolder() + "/in.psd";

    const time_t before = time(nullptr);
    EXPECT_EQ(Run({"-i", input, "-o", OutFolder()}).AfterBanner(), kSuccess);
    EXPECT_GE(ModifiedTime(output), before);
    EXPECT_LE(ModifiedTime(output), time(nullptr));

    EXPECT_EQ(Run({"-i", input, "-o", OutFolder(), "--file-timestamp=ORIGINAL"}).AfterBanner(),
              kSuccess);
    EXPECT_EQ(ModifiedTime(output), original);

    // The child runs with TZ=UTC, so the custom local time is the epoch time.
    EXPECT_EQ(Run({"-i", input, "-o", OutFolder(), "--file-timestamp=custom",
                   "--file-timestamp-custom=1234567890"})
                  .AfterBanner(),
              kSuccess);
    EXPECT_EQ(ModifiedTime(output), 1234567890);
}

}  // namespace
}  // namespace pictorb::e2e
