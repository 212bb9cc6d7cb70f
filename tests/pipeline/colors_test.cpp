#include "pipeline/colors.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "pixel_helpers.h"

namespace pictorb {
namespace {

using stagetest::Colour;
using stagetest::PixelAt;

// Pixel x of a one-row picture gets colours[x]; palette pictures get them as their palette.
Image Row(unsigned bpp, const std::vector<Colour>& colours) {
    const auto width = static_cast<unsigned>(colours.size());
    unsigned red = 0, green = 0, blue = 0;
    if (bpp == 16) red = FI16_565_RED_MASK, green = FI16_565_GREEN_MASK, blue = FI16_565_BLUE_MASK;
    Image image(FreeImage_Allocate(width, 1, bpp, red, green, blue));
    for (unsigned x = 0; x < width; ++x) {
        RGBQUAD quad{};
        quad.rgbRed = static_cast<BYTE>(colours[x].red);
        quad.rgbGreen = static_cast<BYTE>(colours[x].green);
        quad.rgbBlue = static_cast<BYTE>(colours[x].blue);
        quad.rgbReserved = 255;
        if (bpp <= 8) {
            FreeImage_GetPalette(image.get())[x] = quad;
            BYTE index = static_cast<BYTE>(x);
            FreeImage_SetPixelIndex(image.get(), x, 0, &index);
        } else {
            FreeImage_SetPixelColor(image.get(), x, 0, &quad);
        }
    }
    return image;
}

ConversionSettings Correction(int brightness, int contrast, float gamma, bool invert) {
    ConversionSettings settings;
    settings.doImageColorCorrection = 1;
    settings.imageBrightness = brightness;
    settings.imageContrast = contrast;
    settings.imageGamma = gamma;
    settings.imageInvert = invert ? 1 : 0;
    return settings;
}

ConversionSettings Threshold(int level) {
    ConversionSettings settings;
    settings.doImageThreshold = 1;
    settings.imageThreshold = level;
    return settings;
}

TEST(AdjustImageColorsTest, InvertGivesTheComplement) {
    const std::vector<Colour> colours = {{0, 0, 0}, {255, 255, 255}, {10, 128, 200}};
    for (unsigned bpp : {8u, 24u, 32u}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits");
        Image image = Row(bpp, colours);
        FIBITMAP* const before = image.get();
        image = AdjustImageColors(std::move(image), Correction(0, 0, 1.0f, true));
        ASSERT_TRUE(image);
        EXPECT_EQ(image.get(), before) << "adjusted in place";
        for (unsigned x = 0; x < colours.size(); ++x) {
            const Colour c = colours[x];
            EXPECT_EQ(PixelAt(image, x, 0), (Colour{255 - c.red, 255 - c.green, 255 - c.blue}));
        }
    }
}

TEST(AdjustImageColorsTest, NeutralSettingsKeepThePixels) {
    const std::vector<Colour> colours = {{20, 60, 100}, {128, 128, 128}, {200, 220, 240}};
    const Image image = AdjustImageColors(Row(24, colours), Correction(0, 0, 1.0f, false));
    for (unsigned x = 0; x < colours.size(); ++x) EXPECT_EQ(PixelAt(image, x, 0), colours[x]);
}

TEST(AdjustImageColorsTest, LowAndSixteenBitInputsGoOnAsTrueColour) {
    // 1, 4 and 16 bits are outside what the colour curves handle; they come back as 24 bits
    // and adjusted.
    const std::vector<Colour> colours = {{0, 0, 0}, {255, 255, 255}};
    for (unsigned bpp : {1u, 4u, 16u}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits");
        Image image = AdjustImageColors(Row(bpp, colours), Correction(0, 0, 1.0f, true));
        ASSERT_TRUE(image);
        EXPECT_EQ(image.Bpp(), 24u);
        EXPECT_EQ(PixelAt(image, 0, 0), (Colour{255, 255, 255}));
        EXPECT_EQ(PixelAt(image, 1, 0), (Colour{0, 0, 0}));
    }
}

TEST(MakeGreyscaleTest, GivesEightBitsWithEqualChannels) {
    const std::vector<Colour> colours = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 200, 50}};
    for (unsigned bpp : {4u, 8u, 16u, 24u, 32u}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits");
        ConversionSettings settings;
        settings.doImageGreyscale = 1;
        Image image = MakeGreyscale(Row(bpp, colours), settings);
        ASSERT_TRUE(image);
        EXPECT_EQ(image.Bpp(), 8u);
        for (unsigned x = 0; x < colours.size(); ++x) {
            const Colour c = PixelAt(image, x, 0);
            EXPECT_EQ(c.red, c.green);
            EXPECT_EQ(c.green, c.blue);
        }
        EXPECT_EQ(PixelAt(image, 0, 0).red, 0);
        EXPECT_EQ(PixelAt(image, 1, 0).red, 255);
        // Green weighs more than red in perceived brightness.
        EXPECT_GT(PixelAt(image, 3, 0).red, PixelAt(image, 2, 0).red);
    }
}

TEST(ApplyThresholdTest, GreyscaleThenThresholdGivesBlackAndWhiteBits) {
    ConversionSettings settings = Threshold(128);
    settings.doImageGreyscale = 1;
    const std::vector<Colour> colours = {{0, 0, 0},       {127, 127, 127}, {128, 128, 128},
                                         {250, 250, 250}, {255, 0, 0},     {0, 255, 0}};
    for (unsigned bpp : {8u, 24u, 32u}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits");
        Image image = ApplyThreshold(MakeGreyscale(Row(bpp, colours), settings), settings);
        ASSERT_TRUE(image);
        EXPECT_EQ(image.Bpp(), 1u);
        for (unsigned x = 0; x < colours.size(); ++x) {
            const Colour c = PixelAt(image, x, 0);
            EXPECT_TRUE(c == (Colour{0, 0, 0}) || c == (Colour{255, 255, 255})) << x;
        }
        EXPECT_EQ(PixelAt(image, 1, 0), (Colour{0, 0, 0}));
        EXPECT_EQ(PixelAt(image, 2, 0), (Colour{255, 255, 255}));
        EXPECT_EQ(PixelAt(image, 4, 0), (Colour{0, 0, 0})) << "pure red is dark";
        EXPECT_EQ(PixelAt(image, 5, 0), (Colour{255, 255, 255})) << "pure green is light";
    }
}

TEST(ApplyThresholdTest, OnlyTheLowByteOfTheLevelCounts) {
    const std::vector<Colour> greys = {{43, 43, 43}, {44, 44, 44}, {45, 45, 45}};
    struct Case {
        int level;
        Colour expected[3];
    } cases[] = {
        {44, {{0, 0, 0}, {255, 255, 255}, {255, 255, 255}}},
        {300, {{0, 0, 0}, {255, 255, 255}, {255, 255, 255}}},  // 300 & 0xFF = 44
        {256, {{255, 255, 255}, {255, 255, 255}, {255, 255, 255}}},
        {-212, {{0, 0, 0}, {255, 255, 255}, {255, 255, 255}}},  // low byte 44 as well
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        Image image = ApplyThreshold(Row(24, greys), Threshold(c.level));
        ASSERT_TRUE(image);
        for (unsigned x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(image, x, 0), c.expected[x]) << x;
    }
}

TEST(ColorStagesTest, DeepImagesAreBroughtToTrueColourFirst) {
    Image deep(FreeImage_AllocateT(FIT_RGB16, 3, 2));
    ConversionSettings settings = Threshold(128);
    settings.doImageGreyscale = 1;
    Image grey = MakeGreyscale(Image(FreeImage_Clone(deep.get())), settings);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey.Bpp(), 8u);
    Image bits = ApplyThreshold(Image(FreeImage_Clone(deep.get())), settings);
    ASSERT_TRUE(bits);
    EXPECT_EQ(bits.Bpp(), 1u);
    Image adjusted = AdjustImageColors(std::move(deep), Correction(0, 0, 1.0f, true));
    ASSERT_TRUE(adjusted);
    EXPECT_EQ(adjusted.Bpp(), 24u);
    EXPECT_EQ(PixelAt(adjusted, 0, 0), (Colour{255, 255, 255}));
}

TEST(ColorStagesTest, SwitchedOffStagesKeepTheHandleAndEmptyHandlesPass) {
    ConversionSettings off = Correction(50, 50, 2.0f, true);
    off.doImageColorCorrection = 0;
    off.imageThreshold = 100;
    Image image = Row(1, {{0, 0, 0}, {255, 255, 255}});
    FIBITMAP* const before = image.get();
    image = AdjustImageColors(std::move(image), off);
    image = MakeGreyscale(std::move(image), off);
    image = ApplyThreshold(std::move(image), off);
    EXPECT_EQ(image.get(), before);

    ConversionSettings on = off;
    on.doImageColorCorrection = on.doImageGreyscale = on.doImageThreshold = 1;
    EXPECT_FALSE(AdjustImageColors(Image(), on));
    EXPECT_FALSE(MakeGreyscale(Image(), on));
    EXPECT_FALSE(ApplyThreshold(Image(), on));
}

}  // namespace
}  // namespace pictorb
