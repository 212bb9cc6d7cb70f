#include "pipeline/transforms.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pixel_helpers.h"

namespace pictorb {
namespace {

using stagetest::Colour;
using stagetest::PixelAt;

void SetPixel(const Image& image, unsigned x, unsigned y, Colour c) {
    RGBQUAD quad{};
    quad.rgbRed = static_cast<BYTE>(c.red);
    quad.rgbGreen = static_cast<BYTE>(c.green);
    quad.rgbBlue = static_cast<BYTE>(c.blue);
    quad.rgbReserved = 255;
    FreeImage_SetPixelColor(image.get(), x, image.Height() - 1 - y, &quad);
}

// A picture in which every pixel differs from every other (true colour).
Image Pattern(unsigned bpp, unsigned width, unsigned height) {
    Image image(FreeImage_Allocate(width, height, bpp));
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            SetPixel(image, x, y,
                     {static_cast<int>(10 + 30 * x), static_cast<int>(20 + 40 * y), 99});
        }
    }
    return image;
}

// An 8-bit palette picture whose index is x + width * y, each index its own colour.
Image PalettePattern(unsigned width, unsigned height) {
    Image image(FreeImage_Allocate(width, height, 8));
    RGBQUAD* palette = FreeImage_GetPalette(image.get());
    for (unsigned i = 0; i < 256; ++i) {
        palette[i].rgbRed = static_cast<BYTE>(i);
        palette[i].rgbGreen = static_cast<BYTE>(255 - i);
        palette[i].rgbBlue = static_cast<BYTE>(i * 7);
    }
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            BYTE index = static_cast<BYTE>(x + width * y);
            FreeImage_SetPixelIndex(image.get(), x, height - 1 - y, &index);
        }
    }
    return image;
}

Image Clone(const Image& image) {
    return Image(FreeImage_Clone(image.get()));
}

std::vector<Colour> AllPixels(const Image& image) {
    std::vector<Colour> pixels;
    for (unsigned y = 0; y < image.Height(); ++y) {
        for (unsigned x = 0; x < image.Width(); ++x) pixels.push_back(PixelAt(image, x, y));
    }
    return pixels;
}

ConversionSettings Rotation(int angle, int type = 0, std::string back = "000000") {
    ConversionSettings settings;
    settings.doImageRotation = 1;
    settings.imageRotation = angle;
    settings.imageRotationType = static_cast<int8_t>(type);
    settings.imageRotationBackColor = std::move(back);
    return settings;
}

TEST(ParseColorTest, ReadsSixHexDigitsAndTreatsOtherLengthsAsBlack) {
    struct Case {
        std::string text;
        int red, green, blue;
    } cases[] = {
        {"FF8000", 255, 128, 0}, {"ff8000", 255, 128, 0}, {"0A1b2C", 10, 27, 44},
        {"FFFFF", 0, 0, 0},      {"FFFFFFF", 0, 0, 0},    {"", 0, 0, 0},
        {"#FFFFF", 0, 255, 255},  // "#" is no digit: its pair reads as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Rgb rgb = ParseColor(c.text);
        EXPECT_EQ(rgb.red, c.red);
        EXPECT_EQ(rgb.green, c.green);
        EXPECT_EQ(rgb.blue, c.blue);
    }
}

TEST(RotateImageTest, FourQuarterTurnsGiveTheInputBack) {
    struct Case {
        const char* name;
        Image (*make)();
    } cases[] = {
        {"24 bits", [] { return Pattern(24, 5, 3); }},
        {"32 bits", [] { return Pattern(32, 5, 3); }},
        {"8-bit palette", [] { return PalettePattern(5, 3); }},
    };
    for (int angle : {90, 180, 270}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", angle " + std::to_string(angle));
            const Image original = c.make();
            Image image = Clone(original);
            for (int i = 0; i < 4; ++i) image = RotateImage(std::move(image), Rotation(angle));
            ASSERT_TRUE(image);
            EXPECT_EQ(image.Width(), 5u);
            EXPECT_EQ(image.Height(), 3u);
            EXPECT_EQ(AllPixels(image), AllPixels(original));
        }
    }
}

// Where the pixels of one colour lie, by the quadrant of their centre: "top left" etc.
std::string QuadrantOf(const Image& image, Colour colour) {
    double sumX = 0, sumY = 0;
    int count = 0;
    for (unsigned y = 0; y < image.Height(); ++y) {
        for (unsigned x = 0; x < image.Width(); ++x) {
            if (PixelAt(image, x, y) == colour) sumX += x, sumY += y, ++count;
        }
    }
    if (count == 0) return "nowhere";
    const bool top = sumY / count < image.Height() / 2.0;
    const bool left = sumX / count < image.Width() / 2.0;
    return std::string(top ? "top " : "bottom ") + (left ? "left" : "right");
}

TEST(RotateImageTest, QuarterTurnIsCounterClockwise) {
    const Colour red{255, 0, 0}, green{0, 255, 0};
    for (int type : {0, 1}) {
        SCOPED_TRACE("type " + std::to_string(type));
        // Square for the advanced type, which keeps the canvas.
        const unsigned width = 8, height = type == 0 ? 4 : 8;
        Image image(FreeImage_Allocate(width, height, 24));
        for (unsigned i = 0; i < 4; ++i) {
            SetPixel(image, width - 1 - i % 2, i / 2, red);  // top right
            SetPixel(image, i % 2, i / 2, green);            // top left
        }
        image = RotateImage(std::move(image), Rotation(90, type));
        ASSERT_TRUE(image);
        EXPECT_EQ(image.Width(), height);
        EXPECT_EQ(image.Height(), width);
        // Turning left brings the top edge to the left side.
        EXPECT_EQ(QuadrantOf(image, red), "top left");
        EXPECT_EQ(QuadrantOf(image, green), "bottom left");
    }
    // The exact turn moves single pixels exactly.
    Image image(FreeImage_Allocate(5, 3, 24));
    SetPixel(image, 4, 0, red);
    SetPixel(image, 0, 0, green);
    image = RotateImage(std::move(image), Rotation(90));
    EXPECT_EQ(PixelAt(image, 0, 0), red);
    EXPECT_EQ(PixelAt(image, 0, 4), green);
}

TEST(RotateImageTest, FortyFiveDegreesEnlargesTheCanvasAndFillsCornersWithTheBackColour) {
    for (unsigned bpp : {24u, 32u}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits");
        Image image(FreeImage_Allocate(40, 40, bpp));
        for (unsigned y = 0; y < 40; ++y) {
            for (unsigned x = 0; x < 40; ++x) SetPixel(image, x, y, {255, 255, 255});
        }
        image = RotateImage(std::move(image), Rotation(45, 0, "2040C0"));
        ASSERT_TRUE(image);
        EXPECT_GE(image.Width(), 56u);  // the diagonal, 40 * sqrt(2)
        EXPECT_GE(image.Height(), 56u);
        EXPECT_EQ(PixelAt(image, 0, 0), (Colour{0x20, 0x40, 0xC0}));
        EXPECT_EQ(PixelAt(image, image.Width() - 1, image.Height() - 1),
                  (Colour{0x20, 0x40, 0xC0}));
        EXPECT_EQ(PixelAt(image, image.Width() / 2, image.Height() / 2), (Colour{255, 255, 255}));
        if (bpp == 32) {
            RGBQUAD corner{};
            FreeImage_GetPixelColor(image.get(), 0, 0, &corner);
            EXPECT_EQ(corner.rgbReserved, 0) << "uncovered corners are transparent";
        }
    }
}

TEST(RotateImageTest, AdvancedRotationKeepsTheSize) {
    for (int angle : {30, 45, 90, 200}) {
        SCOPED_TRACE(angle);
        Image image = RotateImage(Pattern(24, 20, 10), Rotation(angle, 1));
        ASSERT_TRUE(image);
        EXPECT_EQ(image.Width(), 20u);
        EXPECT_EQ(image.Height(), 10u);
    }
}

TEST(RotateImageTest, EveryInputDepthRotatesAsTrueColour) {
    for (unsigned bpp : {1u, 4u, 8u, 16u, 24u, 32u}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits");
        Image image = RotateImage(Image(FreeImage_Allocate(6, 4, bpp)), Rotation(90));
        ASSERT_TRUE(image);
        EXPECT_EQ(image.Bpp(), bpp == 32 ? 32u : 24u);
        EXPECT_EQ(image.Width(), 4u);
        EXPECT_EQ(image.Height(), 6u);
    }
}

TEST(RotateImageTest, LeavesTheImageAloneWhenNothingIsToBeDone) {
    struct Case {
        const char* name;
        ConversionSettings settings;
    } cases[] = {
        {"switch off",
         [] {
             auto s = Rotation(90);
             s.doImageRotation = 0;
             return s;
         }()},
        {"angle 0", Rotation(0)},
        {"angle 360", Rotation(360)},
        {"negative angle", Rotation(-90)},
        {"angle above 360", Rotation(450)},
        {"unknown type", Rotation(90, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = Pattern(24, 4, 2);
        FIBITMAP* const before = image.get();
        image = RotateImage(std::move(image), c.settings);
        EXPECT_EQ(image.get(), before);
    }
}

TEST(ScaleToUnitTest, PercentRoundsHalvesToEven) {
    EXPECT_EQ(ScaleToUnit(200, 0, 999), 200);
    EXPECT_EQ(ScaleToUnit(50, 1, 1000), 500);
    EXPECT_EQ(ScaleToUnit(50, 1, 5), 2);   // 2.5
    EXPECT_EQ(ScaleToUnit(50, 1, 7), 4);   // 3.5
    EXPECT_EQ(ScaleToUnit(150, 1, 3), 4);  // 4.5
    EXPECT_EQ(ScaleToUnit(33, 1, 10), 3);
    EXPECT_EQ(ScaleToUnit(50, 2, 1000), 0);
    EXPECT_EQ(ScaleToUnit(2000000000, 1, 4000000000u), INT32_MAX);  // no overflow
}

ConversionSettings Resize(int width, int widthUnit, int height, int heightUnit, bool keep,
                          int type = 0) {
    ConversionSettings settings;
    settings.doImageResize = 1;
    settings.imageWidth = width;
    settings.imageWidthUnit = static_cast<int8_t>(widthUnit);
    settings.imageHeight = height;
    settings.imageHeightUnit = static_cast<int8_t>(heightUnit);
    settings.keepAspectRatio = keep ? 1 : 0;
    settings.imageResizeType = static_cast<int8_t>(type);
    settings.imageResizeAlgorithm = 3;
    return settings;
}

TEST(ResizeImageTest, SizesFollowTheSettings) {
    struct Case {
        const char* name;
        unsigned width, height;
        ConversionSettings settings;
        unsigned expectedWidth, expectedHeight;
        bool sameHandle;
    } cases[] = {
        {"50 % each, keep aspect", 1000, 500, Resize(50, 1, 50, 1, true), 500, 250, false},
        {"landscape into square", 400, 200, Resize(300, 0, 300, 0, true), 300, 150, false},
        {"portrait into square", 200, 400, Resize(300, 0, 300, 0, true), 150, 300, false},
        {"no keep aspect", 400, 200, Resize(300, 0, 300, 0, false), 300, 300, false},
        {"half rounds away from zero", 400, 100, Resize(10, 0, 10, 0, true), 10, 3, false},
        {"half rounds away, portrait", 100, 400, Resize(10, 0, 10, 0, true), 3, 10, false},
        {"thin strip keeps a pixel", 1000, 1, Resize(100, 0, 100, 0, true), 100, 1, false},
        {"zero height does nothing", 400, 200, Resize(200, 0, 0, 0, true), 400, 200, true},
        {"negative width does nothing", 400, 200, Resize(-5, 0, 100, 0, false), 400, 200, true},
        {"unknown unit does nothing", 400, 200, Resize(100, 2, 100, 0, false), 400, 200, true},
        {"same size does nothing", 400, 200, Resize(400, 0, 200, 0, false), 400, 200, true},
        {"large only: smaller stays", 640, 480, Resize(800, 0, 600, 0, false, 1), 640, 480, true},
        {"large only: larger shrinks", 1000, 500, Resize(800, 0, 600, 0, false, 1), 800, 600,
         false},
        {"large only, keep aspect", 1000, 500, Resize(800, 0, 600, 0, true, 1), 800, 400, false},
        {"large only: one side larger", 900, 500, Resize(800, 0, 600, 0, false, 1), 800, 600,
         false},
        {"large only: all images", 640, 480, Resize(800, 0, 600, 0, false, 0), 800, 600, false},
        {"switch off", 400, 200,
         [] {
             auto s = Resize(100, 0, 100, 0, false);
             s.doImageResize = 0;
             return s;
         }(),
         400, 200, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image image(FreeImage_Allocate(c.width, c.height, 24));
        FIBITMAP* const before = image.get();
        image = ResizeImage(std::move(image), c.width, c.height, c.settings);
        ASSERT_TRUE(image);
        EXPECT_EQ(image.Width(), c.expectedWidth);
        EXPECT_EQ(image.Height(), c.expectedHeight);
        EXPECT_EQ(image.get() == before, c.sameHandle);
    }
}

// Random bytes in every sample; at 32 bits the alpha varies too.
Image Noise(unsigned bpp, unsigned width, unsigned height, unsigned seed) {
    Image image(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height),
                                   static_cast<int>(bpp)));
    for (unsigned y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(image.get(), static_cast<int>(y));
        for (unsigned i = 0; i < width * bpp / 8; ++i) {
            seed = seed * 1103515245u + 12345u;
            row[i] = static_cast<BYTE>(seed >> 16);
        }
    }
    FreeImage_SetDotsPerMeterX(image.get(), 5906);
    FreeImage_SetDotsPerMeterY(image.get(), 2953);
    return image;
}

TEST(RescaleTest, BandsSideBySideGiveFreeImagesOwnResult) {
    // A megapixel and more, so that threads are used: narrowing (across, then down), widening
    // (down, then across), one side only, each filter, both depths.
    struct Case {
        unsigned bpp, width, height;
        int newWidth, newHeight;
        FREE_IMAGE_FILTER filter;
    };
    const Case cases[] = {
        {24, 1100, 1000, 517, 389, FILTER_BOX},
        {24, 1100, 1000, 517, 389, FILTER_BILINEAR},
        {24, 1100, 1000, 517, 389, FILTER_BSPLINE},
        {24, 1100, 1000, 517, 389, FILTER_BICUBIC},
        {24, 1100, 1000, 517, 389, FILTER_CATMULLROM},
        {24, 1100, 1000, 517, 389, FILTER_LANCZOS3},
        {24, 1100, 1000, 1301, 1203, FILTER_LANCZOS3},
        {32, 1100, 1000, 700, 1400, FILTER_BICUBIC},
        {32, 1100, 1000, 1100, 333, FILTER_LANCZOS3},
        {24, 1100, 1000, 2000, 1000, FILTER_CATMULLROM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bpp) + " bits to " + std::to_string(c.newWidth) + "x" +
                     std::to_string(c.newHeight) + ", filter " + std::to_string(c.filter));
        const Image source = Noise(c.bpp, c.width, c.height, c.newWidth);
        const Image expected(FreeImage_Rescale(source.get(), c.newWidth, c.newHeight, c.filter));
        const Image banded = Rescale(source, c.newWidth, c.newHeight, c.filter, 3);
        ASSERT_TRUE(expected && banded);
        ASSERT_EQ(banded.Width(), expected.Width());
        ASSERT_EQ(banded.Height(), expected.Height());
        ASSERT_EQ(banded.Bpp(), expected.Bpp());
        EXPECT_EQ(FreeImage_GetDotsPerMeterX(banded.get()), 5906u);
        EXPECT_EQ(FreeImage_GetDotsPerMeterY(banded.get()), 2953u);
        const std::size_t rowBytes = std::size_t{banded.Width()} * banded.Bpp() / 8;
        for (unsigned y = 0; y < banded.Height(); ++y) {
            const int line = static_cast<int>(y);
            ASSERT_EQ(std::memcmp(FreeImage_GetScanLine(banded.get(), line),
                                  FreeImage_GetScanLine(expected.get(), line), rowBytes),
                      0)
                << "scan line " << y;
        }
    }
}

TEST(CopyPictureTest, AnIndependentCopyWithResolutionAndProfile) {
    const Image source = Noise(32, 301, 200, 7);
    const std::string profile = "not a real profile, but bytes to carry";
    FreeImage_CreateICCProfile(source.get(), const_cast<char*>(profile.data()),
                               static_cast<long>(profile.size()));
    const Image copy = CopyPicture(source);
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy.Width(), 301u);
    ASSERT_EQ(copy.Bpp(), 32u);
    for (int y = 0; y < 200; ++y) {
        ASSERT_EQ(std::memcmp(FreeImage_GetScanLine(copy.get(), y),
                              FreeImage_GetScanLine(source.get(), y), 301 * 4),
                  0);
    }
    EXPECT_EQ(FreeImage_GetDotsPerMeterX(copy.get()), 5906u);
    const FIICCPROFILE* copied = FreeImage_GetICCProfile(copy.get());
    ASSERT_EQ(copied->size, profile.size());
    EXPECT_EQ(std::string(static_cast<const char*>(copied->data), copied->size), profile);
    // The copy's pixels are its own.
    FreeImage_GetScanLine(copy.get(), 0)[0] ^= 0xFF;
    EXPECT_NE(FreeImage_GetScanLine(copy.get(), 0)[0], FreeImage_GetScanLine(source.get(), 0)[0]);
}

TEST(FlipImageTest, MirrorsThePattern) {
    for (int mode = 0; mode < 4; ++mode) {
        const bool horizontal = mode & 1, vertical = mode & 2;
        SCOPED_TRACE("horizontal " + std::to_string(horizontal) + ", vertical " +
                     std::to_string(vertical));
        const Image original = Pattern(24, 5, 3);
        Image image = Clone(original);
        ConversionSettings settings;
        settings.doImageFlipHorizontal = horizontal;
        settings.doImageFlipVertical = vertical;
        FlipImage(image, settings);
        for (unsigned y = 0; y < 3; ++y) {
            for (unsigned x = 0; x < 5; ++x) {
                const unsigned fromX = horizontal ? 4 - x : x, fromY = vertical ? 2 - y : y;
                ASSERT_EQ(PixelAt(image, x, y), PixelAt(original, fromX, fromY)) << x << "," << y;
            }
        }
    }
}

TEST(TransformsTest, EmptyHandlePassesEveryStage) {
    ConversionSettings settings = Resize(50, 1, 50, 1, true);
    settings.doImageRotation = 1;
    settings.imageRotation = 90;
    settings.doImageFlipHorizontal = settings.doImageFlipVertical = 1;
    EXPECT_FALSE(RotateImage(Image(), settings));
    EXPECT_FALSE(ResizeImage(Image(), 100, 100, settings));
    FlipImage(Image(), settings);
}

}  // namespace
}  // namespace pictorb
