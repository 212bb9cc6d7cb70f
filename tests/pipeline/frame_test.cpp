#include "pipeline/frame.h"

#include <gtest/gtest.h>

#include <random>

#include "drawing_helpers.h"
#include "pipeline/layer.h"

namespace pictorb {
namespace {

using testing::Colour;
using testing::MakePicture;
using testing::Near;
using testing::PixelAt;

const Colour kGrey{128, 128, 128};
const Colour kRed{255, 0, 0};
const Colour kGreen{0, 255, 0};
const Colour kBlue{0, 0, 255};
const Colour kYellow{255, 255, 0};

ConversionSettings FrameSettings(int left, int right, int top, int bottom) {
    ConversionSettings settings;
    settings.doFrame = 1;
    settings.solidLeft = left;
    settings.solidRight = right;
    settings.solidTop = top;
    settings.solidBottom = bottom;
    settings.solidTopColor = "FF0000";
    settings.solidLeftColor = "00ff00";
    settings.solidRightColor = "0000FF";
    settings.solidBottomColor = "FFFF00";
    settings.solidOpacity = 255;
    return settings;
}

Image Framed(unsigned width, unsigned height, const ConversionSettings& settings,
             unsigned bpp = 24) {
    return DrawSolidFrame(MakePicture(width, height, kGrey, bpp), width, height, settings);
}

TEST(SolidFrame, CornerIsSplitAlongTheDiagonalOfTheTwoBands) {
    const Image image = Framed(100, 80, FrameSettings(20, 0, 10, 0));
    ASSERT_EQ(image.Bpp(), 24u);
    // The seam runs from (0, 0) to (20, 10): y = x / 2.
    EXPECT_TRUE(Near(PixelAt(image, 15, 2), kRed));   // above the seam
    EXPECT_TRUE(Near(PixelAt(image, 3, 8), kGreen));  // below it
    EXPECT_TRUE(Near(PixelAt(image, 18, 4), kRed));
    EXPECT_TRUE(Near(PixelAt(image, 6, 7), kGreen));
    EXPECT_TRUE(Near(PixelAt(image, 50, 5), kRed));     // top band
    EXPECT_TRUE(Near(PixelAt(image, 10, 50), kGreen));  // left band
    EXPECT_TRUE(Near(PixelAt(image, 50, 40), kGrey));   // picture
    EXPECT_TRUE(Near(PixelAt(image, 99, 79), kGrey));   // no right or bottom band
    EXPECT_TRUE(Near(PixelAt(image, 20, 50), kGrey));   // first pixel past the left band
    EXPECT_TRUE(Near(PixelAt(image, 50, 10), kGrey));   // first row past the top band
}

TEST(SolidFrame, EveryBandAndCornerHasItsColour) {
    const unsigned w = 120, h = 90;
    const Image image = Framed(w, h, FrameSettings(10, 20, 30, 12));
    struct Probe {
        unsigned x, y;
        Colour colour;
        const char* what;
    };
    const Probe probes[] = {
        {60, 15, kRed, "top band"},
        {5, 50, kGreen, "left band"},
        {w - 10, 50, kBlue, "right band"},
        {60, h - 6, kYellow, "bottom band"},
        {60, 50, kGrey, "inside"},
        // Top-right seam from (120, 0) to (100, 30); bottom-right from (120, 90) to (100, 78).
        {w - 3, 20, kBlue, "top-right, right of the seam"},
        {w - 18, 6, kRed, "top-right, above the seam"},
        {w - 3, h - 10, kBlue, "bottom-right, right of the seam"},
        {w - 18, h - 2, kYellow, "bottom-right, below the seam"},
        // Bottom-left seam from (0, 90) to (10, 78).
        {2, h - 10, kGreen, "bottom-left, left of the seam"},
        {8, h - 1, kYellow, "bottom-left, below the seam"},
    };
    for (const Probe& probe : probes) {
        SCOPED_TRACE(probe.what);
        EXPECT_TRUE(Near(PixelAt(image, probe.x, probe.y), probe.colour));
    }
}

TEST(SolidFrame, SeamsHaveNoGapsAlongTheDiagonal) {
    // Each pixel on the seam is covered by the corner box underneath, so the picture never
    // shows through: no grey is mixed into any pixel of the top-left corner.
    const Image image = Framed(60, 60, FrameSettings(20, 0, 20, 0));
    for (unsigned i = 0; i < 20; ++i) {
        const Colour c = PixelAt(image, i, i);
        SCOPED_TRACE(i);
        EXPECT_EQ(c.blue, 0);
        EXPECT_GE(c.red + c.green, 250);
    }
}

TEST(SolidFrame, OpacityBlendsTheWholeFrame) {
    ConversionSettings settings = FrameSettings(8, 8, 8, 8);
    settings.solidOpacity = 128;
    const Image half = Framed(40, 40, settings);
    // (255 * 128 + 128 * 127) >> 8 = 190; (0 * 128 + 128 * 127) >> 8 = 63.
    EXPECT_TRUE(Near(PixelAt(half, 20, 3), Colour{190, 63, 63}, 2));
    EXPECT_TRUE(Near(PixelAt(half, 20, 20), kGrey));
    // The corner boxes under the seams must not show through twice as dark.
    const Colour corner = PixelAt(half, 1, 0);
    EXPECT_TRUE(Near(corner, Colour{190, 63, 63}, 2));

    settings.solidOpacity = 0;
    const Image original = MakePicture(40, 40, kGrey);
    EXPECT_TRUE(testing::SamePixels(Framed(40, 40, settings), original));
}

TEST(SolidFrame, NoWidthsGiveThePictureAs24Bits) {
    for (unsigned bpp : {8u, 24u, 32u}) {
        SCOPED_TRACE(bpp);
        Image picture = MakePicture(30, 20, Colour{10, 200, 30}, bpp);
        const Image expected(FreeImage_ConvertTo24Bits(picture.get()));
        const Image image = DrawSolidFrame(std::move(picture), 30, 20, FrameSettings(0, 0, 0, 0));
        EXPECT_EQ(image.Bpp(), 24u);
        EXPECT_TRUE(testing::SamePixels(image, expected));
    }
}

TEST(SolidFrame, SwitchesAndEmptyHandles) {
    ConversionSettings off = FrameSettings(5, 5, 5, 5);
    off.doFrame = 0;
    Image picture = MakePicture(20, 20, kGrey, 32);
    FIBITMAP* raw = picture.get();
    const Image untouched = DrawSolidFrame(std::move(picture), 20, 20, off);
    EXPECT_EQ(untouched.get(), raw);
    EXPECT_EQ(untouched.Bpp(), 32u);

    // Frame types other than the solid one only convert.
    ConversionSettings other = FrameSettings(5, 5, 5, 5);
    other.doFrame = 2;
    const Image converted = Framed(20, 20, other, 32);
    EXPECT_EQ(converted.Bpp(), 24u);
    EXPECT_TRUE(Near(PixelAt(converted, 1, 10), kGrey));

    EXPECT_FALSE(DrawSolidFrame(Image(), 20, 20, FrameSettings(5, 5, 5, 5)));
}

TEST(SolidFrame, LargePicturesAreDrawnAcrossTileEdges) {
    // Diagonals and bands crossing the internal tile boundaries stay continuous.
    const unsigned w = 1300, h = 1100;
    const Image image = Framed(w, h, FrameSettings(600, 40, 600, 40));
    EXPECT_TRUE(Near(PixelAt(image, 520, 515), kRed));    // above y = x
    EXPECT_TRUE(Near(PixelAt(image, 515, 520), kGreen));  // below it
    EXPECT_TRUE(Near(PixelAt(image, 1023, 599), kRed));
    EXPECT_TRUE(Near(PixelAt(image, 1024, 599), kRed));
    EXPECT_TRUE(Near(PixelAt(image, w - 1, 700), kBlue));
    EXPECT_TRUE(Near(PixelAt(image, 900, h - 1), kYellow));
    EXPECT_TRUE(Near(PixelAt(image, 900, 800), kGrey));
    EXPECT_TRUE(Near(PixelAt(image, 1200, 1000), kGrey));
}

TEST(SolidFrame, OutOfRangeWidthsDoNotBreakTheStage) {
    for (const auto& widths : {FrameSettings(-10, -10, -10, -10), FrameSettings(500, 500, 500, 500),
                               FrameSettings(2000000000, 0, 2000000000, 0)}) {
        const Image image = Framed(50, 40, widths);
        EXPECT_EQ(image.Bpp(), 24u);
        EXPECT_EQ(image.Width(), 50u);
    }
    EXPECT_TRUE(Near(PixelAt(Framed(50, 40, FrameSettings(-10, -10, -10, -10)), 0, 0), kGrey));
}

TEST(ColorAlpha, ParsesHexAndClampsAlpha) {
    EXPECT_EQ(ParseColorAlpha("1A2b3C", 200), (Rgba{0x1A, 0x2B, 0x3C, 200}));
    EXPECT_EQ(ParseColorAlpha("FFF", 255), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(ParseColorAlpha("FFFFFF", 999).alpha, 255);
    EXPECT_EQ(ParseColorAlpha("FFFFFF", -5).alpha, 0);
}

TEST(CompositeLayer, GivesWhatFreeImageCompositeGives) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    const unsigned w = 37, h = 23;
    Image background = MakePicture(w, h, {});
    Image layer = MakePicture(w, h, {}, 32);
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            // Plenty of the special alphas 0 and 255 among random ones.
            const int pick = byte(random);
            const int alpha = pick < 40 ? 0 : pick < 80 ? 255 : byte(random);
            testing::SetPixel(background, x, y, {byte(random), byte(random), byte(random)});
            testing::SetPixel(layer, x, y, {byte(random), byte(random), byte(random), alpha});
        }
    }
    const Image expected(FreeImage_Composite(layer.get(), FALSE, nullptr, background.get()));
    ASSERT_TRUE(CompositeLayer(background, layer, 0, 0));
    EXPECT_TRUE(testing::SamePixels(background, expected));
}

TEST(CompositeLayer, RefusesLayersThatDoNotFit) {
    const Image picture = MakePicture(10, 10, kGrey);
    const Image layer = MakePicture(4, 4, kRed, 32);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {7, 0}, {0, 7}}) {
        EXPECT_FALSE(CompositeLayer(picture, layer, x, y));
    }
    EXPECT_TRUE(Near(PixelAt(picture, 0, 0), kGrey));
    ASSERT_TRUE(CompositeLayer(picture, layer, 6, 6));
    EXPECT_TRUE(Near(PixelAt(picture, 9, 9), kRed));
    EXPECT_TRUE(Near(PixelAt(picture, 5, 9), kGrey));
    EXPECT_TRUE(Near(PixelAt(picture, 9, 5), kGrey));
}

}  // namespace
}  // namespace pictorb
