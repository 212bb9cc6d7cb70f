#include "pipeline/psd_writer.h"

#include <IL/il.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/output_file.h"
#include "support/psd_sections.h"

namespace pictorb {
namespace {

using testsupport::PsdSections;
using testsupport::SplitPsd;
using testsupport::WithoutResources;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every stored byte differs from its neighbours, so a swapped channel, a flipped row or a
// lost padding byte shows.
void FillBytes(FIBITMAP* dib) {
    const unsigned height = FreeImage_GetHeight(dib);
    const unsigned line = FreeImage_GetLine(dib);
    for (unsigned y = 0; y < height; ++y) {
        BYTE* bytes = FreeImage_GetScanLine(dib, static_cast<int>(y));
        for (unsigned i = 0; i < line; ++i) bytes[i] = static_cast<BYTE>(i * 7 + y * 13 + (i ^ y));
    }
}

struct Variant {
    const char* name;
    FREE_IMAGE_TYPE type;
    unsigned width, height, bpp;
    unsigned redMask = 0, greenMask = 0, blueMask = 0;
    int transparentColours = 0;  // entries of the transparency table
    bool transparencyOff = false;
};

Image MakePicture(const Variant& v) {
    Image image(FreeImage_AllocateT(v.type, static_cast<int>(v.width), static_cast<int>(v.height),
                                    static_cast<int>(v.bpp), v.redMask, v.greenMask, v.blueMask));
    FillBytes(image.get());
    if (RGBQUAD* palette = FreeImage_GetPalette(image.get())) {
        const unsigned colours = FreeImage_GetColorsUsed(image.get());
        for (unsigned i = 0; i < colours; ++i) {
            palette[i] = RGBQUAD{static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i),
                                 static_cast<BYTE>(i * 11 + 5), 0};
        }
    }
    if (v.transparentColours > 0) {
        std::vector<BYTE> table(static_cast<std::size_t>(v.transparentColours));
        for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<BYTE>(i * 37);
        FreeImage_SetTransparencyTable(image.get(), table.data(), v.transparentColours);
        if (v.transparencyOff) FreeImage_SetTransparent(image.get(), FALSE);
    }
    return image;
}

class PsdWriterTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ilInit(); }
    void SetUp() override {
        char pattern[] = "/tmp/pictorb-psd-XXXXXX";
        folder_ = mkdtemp(pattern);
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    // What the straightforward way writes: FreeImage's 32-bit conversion exported blue-first
    // and bottom-up, handed to DevIL as it is and saved with its own file functions.
    std::string PlainSave(FIBITMAP* dib) {
        Image converted(FreeImage_ConvertTo32Bits(dib));
        if (!converted) return "no 32-bit conversion";
        const unsigned width = converted.Width();
        const unsigned height = converted.Height();
        std::vector<BYTE> buffer(std::size_t{width} * height * 4);
        FreeImage_ConvertToRawBits(buffer.data(), converted.get(), static_cast<int>(width * 4), 32,
                                   FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE);
        const std::string path = folder_ + "/plain.psd";
        ILuint name = 0;
        ilGenImages(1, &name);
        ilBindImage(name);
        ilTexImage(width, height, ilGetInteger(IL_IMAGE_DEPTH), 4, IL_BGRA, IL_UNSIGNED_BYTE,
                   buffer.data());
        ilEnable(IL_FILE_OVERWRITE);
        EXPECT_TRUE(ilSave(IL_PSD, path.c_str()));
        ilDeleteImages(1, &name);
        return ReadBytes(path);
    }

    std::string TempPath() const { return folder_ + "/pictorbtemp.psd"; }

    std::string folder_;
};

TEST_F(PsdWriterTest, KeepsThePlainSavesLayoutAndPixels) {
    // Heights above 64 rows cross the bands in which the palette depths are converted; pictures
    // of 16 MiB and more are filled by two threads, split at an odd row here.
    const Variant variants[] = {
        {"32-bit with alpha", FIT_BITMAP, 17, 5, 32},
        {"32-bit 1x1", FIT_BITMAP, 1, 1, 32},
        {"24-bit, padded rows", FIT_BITMAP, 63, 70, 24},
        {"24-bit, filled by two threads", FIT_BITMAP, 1024, 4101, 24},
        {"16-bit 5-5-5", FIT_BITMAP, 9, 130, 16, FI16_555_RED_MASK, FI16_555_GREEN_MASK,
         FI16_555_BLUE_MASK},
        {"16-bit 5-6-5", FIT_BITMAP, 9, 3, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK,
         FI16_565_BLUE_MASK},
        {"8-bit palette", FIT_BITMAP, 3, 200, 8},
        {"8-bit with transparency", FIT_BITMAP, 31, 129, 8, 0, 0, 0, 40},
        {"8-bit, transparency off", FIT_BITMAP, 5, 7, 8, 0, 0, 0, 40, true},
        {"4-bit odd width", FIT_BITMAP, 7, 66, 4},
        {"4-bit with transparency", FIT_BITMAP, 5, 3, 4, 0, 0, 0, 9},
        {"1-bit", FIT_BITMAP, 13, 65, 1},
        {"1-bit with transparency", FIT_BITMAP, 40, 2, 1, 0, 0, 0, 1},
        {"16 bits per channel", FIT_RGBA16, 6, 80, 64},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        Image picture = MakePicture(v);
        ASSERT_TRUE(picture);
        const std::string expected = PlainSave(picture.get());
        PsdPixels pixels = TakePsdPixels(std::move(picture));
        ASSERT_TRUE(pixels);
        EXPECT_EQ(pixels.Width(), v.width);
        EXPECT_EQ(pixels.Height(), v.height);
        const std::string path = folder_ + "/checked.psd";
        std::remove(path.c_str());
        ASSERT_EQ(WritePsd(std::move(pixels), {}, path, TempPath()), WriteResult::Ok);
        const std::optional<PsdSections> written = SplitPsd(ReadBytes(path));
        ASSERT_TRUE(written);
        // Opaque pictures stay flat; others get a layer, and the merged image is as before.
        const std::size_t planeSize = std::size_t{v.width} * v.height;
        const bool opaque =
            expected.find_first_not_of('\xFF', expected.size() - planeSize) == std::string::npos;
        EXPECT_EQ(written->layerCount, opaque ? 0 : -1);
        if (opaque) {
            EXPECT_TRUE(WithoutResources(*written) == expected);
        } else {
            EXPECT_EQ(written->header, expected.substr(0, 26));
            EXPECT_TRUE(written->image == expected.substr(expected.size() - 4 * planeSize - 2));
        }
    }
}

TEST_F(PsdWriterTest, WrittenPixelsReadBackWithFreeImage) {
    Image source(FreeImage_Allocate(9, 4, 32));
    FillBytes(source.get());
    RGBQUAD corner{};
    FreeImage_GetPixelColor(source.get(), 8, 3, &corner);
    const std::string path = folder_ + "/out.psd";
    ASSERT_EQ(WritePsd(TakePsdPixels(std::move(source)), {}, path, TempPath()), WriteResult::Ok);
    Image back(FreeImage_Load(FIF_PSD, path.c_str(), 0));
    ASSERT_TRUE(back);
    ASSERT_EQ(back.Width(), 9u);
    ASSERT_EQ(back.Height(), 4u);
    RGBQUAD read{};
    FreeImage_GetPixelColor(back.get(), 8, 3, &read);
    EXPECT_EQ(read.rgbRed, corner.rgbRed);
    EXPECT_EQ(read.rgbGreen, corner.rgbGreen);
    EXPECT_EQ(read.rgbBlue, corner.rgbBlue);
}

TEST_F(PsdWriterTest, AShortWriteFailsAndLeavesNothing) {
    // Run in a child so that the file-size limit does not touch the test process. Both ways of
    // writing: an unnamed file, and the named temporary file where those are refused.
    const std::string path = folder_ + "/limited.psd";
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            AllowUnnamedFiles(unnamed);
            ilInit();
            Image picture(FreeImage_Allocate(200, 200, 24));
            const WriteResult result =
                WritePsd(TakePsdPixels(std::move(picture)), {}, path, TempPath());
            _exit(result == WriteResult::WriteFailed ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_NE(access(path.c_str(), F_OK), 0);
        EXPECT_NE(access(TempPath().c_str(), F_OK), 0);
    }
}

// A bitmap with its sizes but without pixels: a 1-bit file header loaded header-only.
Image HeaderOnly(uint32_t width, uint32_t height) {
    std::vector<BYTE> file(14 + 40 + 8, 0);
    const auto put32 = [&file](std::size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<BYTE>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 14 + 40 + 8);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1;  // planes
    file[28] = 1;  // bits per pixel
    FIMEMORY* memory = FreeImage_OpenMemory(file.data(), static_cast<DWORD>(file.size()));
    Image image(FreeImage_LoadFromMemory(FIF_BMP, memory, FIF_LOAD_NOPIXELS));
    FreeImage_CloseMemory(memory);
    return image;
}

TEST_F(PsdWriterTest, RefusesWhatDevilCannotHold) {
    const struct {
        const char* name;
        uint32_t width, height;
    } cases[] = {{"4 GiB at 32 bits", 65536, 16384}, {"no pixels", 16, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image header = HeaderOnly(c.width, c.height);
        ASSERT_TRUE(header);
        ASSERT_EQ(header.Width(), c.width);
        EXPECT_FALSE(TakePsdPixels(std::move(header)));
    }
    EXPECT_FALSE(TakePsdPixels(Image()));
    EXPECT_EQ(WritePsd(PsdPixels(), {}, folder_ + "/none.psd", TempPath()),
              WriteResult::OutOfMemory);
    EXPECT_NE(access((folder_ + "/none.psd").c_str(), F_OK), 0);
}

}  // namespace
}  // namespace pictorb
