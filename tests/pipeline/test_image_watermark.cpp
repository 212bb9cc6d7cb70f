#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "drawing_helpers.h"
#include "pipeline/watermark.h"

namespace pictorb {
namespace {

using testing::Colour;
using testing::MakePicture;
using testing::Near;
using testing::PixelAt;

const Colour kGrey{100, 100, 100};
const Colour kGreen{0, 200, 0};

class ImageWatermark : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "wmXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Save(const Image& image, FREE_IMAGE_FORMAT format, const std::string& name) {
        const std::string path = folder_ + "/" + name;
        const int flags = format == FIF_JPEG ? JPEG_QUALITYSUPERB : 0;
        EXPECT_TRUE(FreeImage_Save(format, image.get(), path.c_str(), flags));
        return path;
    }

    static ConversionSettings Settings(const std::string& path) {
        ConversionSettings settings;
        settings.doWatermark = 2;
        settings.image = path;
        settings.imageOpacity = 255;
        return settings;
    }

    static Image Draw(const ConversionSettings& settings, unsigned w = 50, unsigned h = 40) {
        return DrawWatermark(MakePicture(w, h, kGrey), w, h, settings, FileJob{}, "32", nullptr);
    }

    std::string folder_;
};

// 20 x 10: the left half opaque green, the right half fully transparent.
Image HalfTransparent() {
    Image image = MakePicture(20, 10, Colour{0, 200, 0, 255}, 32);
    for (unsigned y = 0; y < 10; ++y) {
        for (unsigned x = 10; x < 20; ++x) testing::SetPixel(image, x, y, {255, 0, 0, 0});
    }
    return image;
}

TEST_F(ImageWatermark, PngKeepsItsTransparentParts) {
    ConversionSettings settings = Settings(Save(HalfTransparent(), FIF_PNG, "mark.png"));
    settings.imageXOffset = 5;
    settings.imageYOffset = 4;
    const Image image = Draw(settings);
    ASSERT_EQ(image.Bpp(), 24u);
    EXPECT_TRUE(Near(PixelAt(image, 5, 4), kGreen));
    EXPECT_TRUE(Near(PixelAt(image, 14, 13), kGreen));
    EXPECT_TRUE(Near(PixelAt(image, 15, 4), kGrey));  // transparent half
    EXPECT_TRUE(Near(PixelAt(image, 4, 4), kGrey));   // left of the watermark
    EXPECT_TRUE(Near(PixelAt(image, 5, 14), kGrey));  // below it
}

TEST_F(ImageWatermark, OpaqueJpegIsPastedAsARectangle) {
    const Image mark = MakePicture(16, 12, Colour{200, 40, 40});
    ConversionSettings settings = Settings(Save(mark, FIF_JPEG, "mark.jpg"));
    settings.imagePosition = 4;  // centred on 50 x 40: at (17, 14)
    const Image image = Draw(settings);
    for (unsigned y = 0; y < 40; ++y) {
        for (unsigned x = 0; x < 50; ++x) {
            const bool inside = x >= 17 && x < 33 && y >= 14 && y < 26;
            ASSERT_TRUE(Near(PixelAt(image, x, y), inside ? Colour{200, 40, 40} : kGrey, 4))
                << x << "," << y;
        }
    }
}

TEST_F(ImageWatermark, GreyscaleFilter) {
    Image mark = MakePicture(2, 1, Colour{255, 0, 0}, 32);
    testing::SetPixel(mark, 1, 0, {255, 255, 255, 255});
    ConversionSettings settings = Settings(Save(mark, FIF_PNG, "red.png"));
    settings.imageGreyscale = 1;
    const Image image = Draw(settings);
    EXPECT_TRUE(Near(PixelAt(image, 0, 0), Colour{76, 76, 76}));
    EXPECT_TRUE(Near(PixelAt(image, 1, 0), Colour{255, 255, 255}));
    EXPECT_TRUE(Near(PixelAt(image, 2, 0), kGrey));
}

TEST_F(ImageWatermark, OpacityFadesEverySource) {
    const std::string png = Save(HalfTransparent(), FIF_PNG, "mark.png");
    const std::string jpg = Save(MakePicture(16, 12, Colour{0, 200, 0}), FIF_JPEG, "mark.jpg");
    const Image original = MakePicture(50, 40, kGrey);
    for (const std::string& path : {png, jpg}) {
        SCOPED_TRACE(path);
        ConversionSettings settings = Settings(path);
        settings.imageOpacity = 0;
        EXPECT_TRUE(testing::SamePixels(Draw(settings), original));
        // Half-way between the picture's grey and the green, not darkened toward black.
        settings.imageOpacity = 128;
        EXPECT_TRUE(Near(PixelAt(Draw(settings), 2, 2), Colour{50, 150, 50}, 4));
    }
}

TEST_F(ImageWatermark, BitmapWithUnusedAlphaIsOpaque) {
    // A 32-bit bitmap whose fourth bytes are all zero, as most writers leave them.
    Image mark = MakePicture(8, 8, Colour{0, 200, 0, 0}, 32);
    const Image image = Draw(Settings(Save(mark, FIF_BMP, "mark.bmp")));
    EXPECT_TRUE(Near(PixelAt(image, 3, 3), kGreen));
}

TEST_F(ImageWatermark, UnusableFilesLeaveThePicture) {
    const std::string text = folder_ + "/notes.png";
    FILE* file = std::fopen(text.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("not an image at all", file);
    std::fclose(file);
    const std::string gif = Save(MakePicture(8, 8, Colour{0, 200, 0}, 8), FIF_GIF, "mark.gif");
    const Image original = MakePicture(50, 40, kGrey);
    for (const std::string& path : {std::string(), folder_ + "/missing.png", text, gif}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(PrepareImageWatermark(Settings(path)));
        const Image image = Draw(Settings(path));
        EXPECT_EQ(image.Bpp(), 24u);
        EXPECT_TRUE(testing::SamePixels(image, original));
    }
}

TEST_F(ImageWatermark, RotatedAndCroppedAtTheEdge) {
    ConversionSettings settings =
        Settings(Save(MakePicture(30, 6, Colour{0, 200, 0}), FIF_PNG, "bar.png"));
    settings.watermarkImageRotation = 90;  // 6 x 30 after turning
    settings.imagePosition = 8;
    const Image image = Draw(settings, 50, 20);  // cropped to 6 x 20, at (44, 0)
    EXPECT_TRUE(Near(PixelAt(image, 44, 0), kGreen));
    EXPECT_TRUE(Near(PixelAt(image, 49, 19), kGreen));
    EXPECT_TRUE(Near(PixelAt(image, 43, 10), kGrey));
}

}  // namespace
}  // namespace pictorb
