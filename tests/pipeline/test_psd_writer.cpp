#include <IL/il.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "pipeline/psd_writer.h"

namespace pictorb {
namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Image MakePattern(unsigned width, unsigned height, unsigned bpp) {
    Image image(FreeImage_Allocate(width, height, bpp));
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            RGBQUAD colour{static_cast<BYTE>(x * 7), static_cast<BYTE>(y * 13),
                           static_cast<BYTE>(x ^ y), static_cast<BYTE>(255 - x)};
            FreeImage_SetPixelColor(image.get(), x, y, &colour);
        }
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

    // What a plain ilSave writes for the same pixels.
    std::string PlainSave(const RawPixels& pixels, size_t size) {
        const std::string path = folder_ + "/plain.psd";
        ILuint name = 0;
        ilGenImages(1, &name);
        ilBindImage(name);
        std::string copy(reinterpret_cast<const char*>(pixels.bytes.get()), size);
        ilTexImage(pixels.width, pixels.height, ilGetInteger(IL_IMAGE_DEPTH), 4, IL_BGRA,
                   IL_UNSIGNED_BYTE, copy.data());
        ilEnable(IL_FILE_OVERWRITE);
        EXPECT_TRUE(ilSave(IL_PSD, path.c_str()));
        ilDeleteImages(1, &name);
        return ReadBytes(path);
    }

    std::string folder_;
};

TEST_F(PsdWriterTest, WritesTheSameBytesAsAPlainSave) {
    const struct {
        unsigned width, height, bpp;
    } cases[] = {{1, 1, 32}, {17, 5, 32}, {64, 48, 24}, {3, 200, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + "x" +
                     std::to_string(c.bpp));
        RawPixels pixels = TakeRawPixels(MakePattern(c.width, c.height, c.bpp));
        ASSERT_TRUE(pixels.bytes);
        const std::string expected = PlainSave(pixels, size_t{c.width} * c.height * 4);
        const std::string path = folder_ + "/checked.psd";
        std::remove(path.c_str());
        ASSERT_EQ(WritePsd(std::move(pixels), path), WriteResult::Ok);
        EXPECT_EQ(ReadBytes(path), expected);
    }
}

TEST_F(PsdWriterTest, WrittenPixelsReadBackWithFreeImage) {
    Image source = MakePattern(9, 4, 32);
    RGBQUAD corner{};
    FreeImage_GetPixelColor(source.get(), 8, 3, &corner);
    const std::string path = folder_ + "/out.psd";
    ASSERT_EQ(WritePsd(TakeRawPixels(std::move(source)), path), WriteResult::Ok);
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

TEST_F(PsdWriterTest, RefusesToOverwriteAnExistingPath) {
    const std::string path = folder_ + "/taken.psd";
    std::ofstream(path) << "keep";
    EXPECT_EQ(WritePsd(TakeRawPixels(MakePattern(4, 4, 32)), path), WriteResult::CannotCreate);
    EXPECT_EQ(ReadBytes(path), "keep");
}

TEST_F(PsdWriterTest, AShortWriteFailsAndLeavesNothing) {
    // Run in a child so that the file-size limit does not touch the test process.
    const std::string path = folder_ + "/limited.psd";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        ilInit();
        const WriteResult result = WritePsd(TakeRawPixels(MakePattern(200, 200, 32)), path);
        _exit(result == WriteResult::WriteFailed ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(access(path.c_str(), F_OK), 0);
}

TEST(RawPixelsTest, EmptyImageGivesNoBuffer) {
    EXPECT_FALSE(TakeRawPixels(Image()).bytes);
}

}  // namespace
}  // namespace pictorb
