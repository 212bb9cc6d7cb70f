#include "platform/canvas.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

namespace pictorb {
namespace {

const Rgba kTransparent{};
const Rgba kOpaqueRed{255, 0, 0, 255};
const Rgba kOpaqueBlue{0, 0, 255, 255};

bool Near(Rgba a, Rgba b, int tolerance) {
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
           std::abs(a.blue - b.blue) <= tolerance && std::abs(a.alpha - b.alpha) <= tolerance;
}

// Every pixel of the canvas, row by row.
std::vector<Rgba> Pixels(const Canvas& canvas) {
    std::vector<Rgba> pixels;
    for (unsigned y = 0; y < canvas.Height(); ++y) {
        for (unsigned x = 0; x < canvas.Width(); ++x) pixels.push_back(canvas.PixelAt(x, y));
    }
    return pixels;
}

TEST(Canvas, SizesAndFills) {
    const Canvas clear(4, 3);
    ASSERT_TRUE(clear.Valid());
    EXPECT_EQ(clear.PixelAt(3, 2), kTransparent);
    const Canvas filled(4, 3, Rgba{10, 20, 30, 255});
    EXPECT_EQ(filled.PixelAt(0, 0), (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(filled.PixelAt(9, 9), kTransparent);  // outside

    for (auto [w, h] : {std::pair{0u, 5u}, {5u, 0u}, {40000u, 2u}}) {
        Canvas invalid(w, h);
        EXPECT_FALSE(invalid.Valid());
        invalid.Fill(kOpaqueRed);  // harmless
        EXPECT_FALSE(invalid.FillPath("M 0 0 l 1 0 l 0 1 Z", kOpaqueRed));
    }
}

TEST(Canvas, FillPathCoversTheShapeOnly) {
    Canvas canvas(20, 20);
    // A right triangle with its right angle at the top-left corner.
    ASSERT_TRUE(canvas.FillPath("M 0 0 l 20 0 l -20 20 Z", kOpaqueRed));
    EXPECT_EQ(canvas.PixelAt(2, 2), kOpaqueRed);
    EXPECT_EQ(canvas.PixelAt(17, 1), kOpaqueRed);
    EXPECT_EQ(canvas.PixelAt(17, 17), kTransparent);
    EXPECT_EQ(canvas.PixelAt(1, 17), kOpaqueRed);
    EXPECT_EQ(canvas.PixelAt(10, 12), kTransparent);

    Canvas absolute(10, 10);
    ASSERT_TRUE(absolute.FillPath("M2,2 L8,2 L8,8 L2,8 Z", kOpaqueBlue));
    EXPECT_EQ(absolute.PixelAt(5, 5), kOpaqueBlue);
    EXPECT_EQ(absolute.PixelAt(1, 5), kTransparent);
}

TEST(Canvas, MalformedPathsDrawNothing) {
    for (const char* path :
         {"", "0 0 l 1 1", "M 0 0 l 5", "M 0 0 l 5 5 X", "l 3 3 Z", "M a b", "M 0 0 Z 3"}) {
        SCOPED_TRACE(path);
        Canvas canvas(8, 8);
        EXPECT_FALSE(canvas.FillPath(path, kOpaqueRed));
        for (const Rgba& pixel : Pixels(canvas)) ASSERT_EQ(pixel, kTransparent);
    }
}

TEST(Canvas, DrawCanvasWithConstantAlpha) {
    const Canvas red(4, 4, kOpaqueRed);
    Canvas onClear(6, 6);
    onClear.DrawCanvas(red, 2, 2, 128);
    EXPECT_EQ(onClear.PixelAt(1, 1), kTransparent);
    EXPECT_TRUE(Near(onClear.PixelAt(3, 3), Rgba{255, 0, 0, 128}, 1));

    Canvas onBlue(6, 6, kOpaqueBlue);
    onBlue.DrawCanvas(red, 0, 0, 128);
    EXPECT_TRUE(Near(onBlue.PixelAt(0, 0), Rgba{128, 0, 127, 255}, 1));
    EXPECT_EQ(onBlue.PixelAt(5, 5), kOpaqueBlue);

    Canvas untouched(6, 6, kOpaqueBlue);
    untouched.DrawCanvas(red, 0, 0, 0);
    EXPECT_EQ(untouched.PixelAt(0, 0), kOpaqueBlue);
}

TEST(Canvas, StraightPixelsSurviveTheWayInAndOut) {
    // Three pixels, bottom-up storage as FreeImage keeps it: rows are given last to first.
    const std::vector<uint8_t> rows = {
        /* bottom row */ 50, 100, 200, 128, 7,   8,   9,   0,
        /* top row */ 30,    60,  90,  255, 200, 150, 100, 64,
    };
    const std::ptrdiff_t stride = 8;
    const Canvas canvas = Canvas::FromBgra(2, 2, rows.data() + stride, -stride);
    ASSERT_TRUE(canvas.Valid());
    EXPECT_EQ(canvas.PixelAt(0, 0), (Rgba{90, 60, 30, 255}));
    EXPECT_TRUE(Near(canvas.PixelAt(1, 0), Rgba{100, 150, 200, 64}, 2));
    EXPECT_TRUE(Near(canvas.PixelAt(0, 1), Rgba{200, 100, 50, 128}, 1));
    EXPECT_EQ(canvas.PixelAt(1, 1), kTransparent);  // colour of a transparent pixel is lost

    std::vector<uint8_t> out(16, 0xEE);
    canvas.ExportBgra(out.data() + stride, -stride);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 8, out.begin() + 12),
              (std::vector<uint8_t>{30, 60, 90, 255}));
    EXPECT_NEAR(out[0], 50, 1);
    EXPECT_NEAR(out[1], 100, 1);
    EXPECT_NEAR(out[2], 200, 1);
    EXPECT_EQ(out[3], 128);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 4, out.begin() + 8),
              (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(Canvas, GreyscaleKeepsAlpha) {
    const uint8_t pixels[] = {0, 0, 255, 255, /* half-transparent green */ 0, 255, 0, 128};
    Canvas canvas = Canvas::FromBgra(2, 1, pixels, 8);
    canvas.Greyscale();
    EXPECT_EQ(canvas.PixelAt(0, 0), (Rgba{76, 76, 76, 255}));
    EXPECT_TRUE(Near(canvas.PixelAt(1, 0), Rgba{149, 149, 149, 128}, 1));
}

TEST(Font, LoadingAndResolution) {
    EXPECT_EQ(LoadFont("", 16, false, false, false, false), nullptr);
    EXPECT_EQ(LoadFont("DejaVu Sans", 0, false, false, false, false), nullptr);
    const auto arial = LoadFont("Arial", 16, false, false, false, false);
    ASSERT_NE(arial, nullptr);
    EXPECT_EQ(arial->ResolvedFamily(), "Liberation Sans");
    EXPECT_EQ(arial->PixelSize(), 16);
    for (const char* family : {"Tahoma", "Verdana", "No Such Family At All"}) {
        SCOPED_TRACE(family);
        const auto font = LoadFont(family, 16, true, true, true, true);
        ASSERT_NE(font, nullptr);  // fontconfig always finds a substitute
        EXPECT_FALSE(font->ResolvedFamily().empty());
    }
}

TEST(Font, MeasuringLines) {
    const auto font = LoadFont("DejaVu Sans", 20, false, false, false, false);
    const auto bold = LoadFont("DejaVu Sans", 20, true, false, false, false);
    ASSERT_TRUE(font && bold);
    for (bool antialias : {false, true}) {
        SCOPED_TRACE(antialias);
        const auto one = MeasureTextLine(*font, "Hello", antialias);
        const auto two = MeasureTextLine(*font, "Hello Hello", antialias);
        const auto heavy = MeasureTextLine(*bold, "Hello", antialias);
        ASSERT_TRUE(one && two && heavy);
        EXPECT_GT(one->width, 30);
        EXPECT_GT(two->width, 2 * one->width);
        EXPECT_GT(heavy->width, one->width);
        // A line is about 1.2 em tall, whatever its letters.
        EXPECT_GE(one->height, 20);
        EXPECT_LE(one->height, 30);
        EXPECT_EQ(MeasureTextLine(*font, "....", antialias)->height, one->height);
        // An empty line still has the font's height; a line break is no second line.
        EXPECT_EQ(MeasureTextLine(*font, "", antialias)->width, 0);
        EXPECT_EQ(MeasureTextLine(*font, "", antialias)->height, one->height);
        EXPECT_EQ(MeasureTextLine(*font, "a\nb", antialias)->height, one->height);
    }
    // Broken UTF-8 is measured, not refused.
    EXPECT_GT(MeasureTextLine(*font, "ab\xff\xfe", false)->width, 0);
}

TEST(Font, PlainTextHasNoIntermediateShades) {
    const auto font = LoadFont("DejaVu Sans", 24, false, false, false, false);
    ASSERT_NE(font, nullptr);
    const Rgba back{0, 0, 255, 200};
    const Rgba ink{255, 0, 0, 180};
    Canvas plain(120, 40, back);
    plain.DrawTextLine(*font, "Wave", 4, 4, ink, false, &back);
    std::set<std::tuple<int, int, int, int>> seen;
    for (const Rgba& p : Pixels(plain)) seen.insert({p.red, p.green, p.blue, p.alpha});
    EXPECT_EQ(seen.size(), 2u);  // only the two colours, each with all four channels
    EXPECT_TRUE(seen.count({255, 0, 0, 180}));

    Canvas smooth(120, 40);
    smooth.DrawTextLine(*font, "Wave", 4, 4, kOpaqueRed, true);
    int partial = 0, full = 0;
    for (const Rgba& p : Pixels(smooth)) {
        partial += p.alpha > 0 && p.alpha < 255;
        full += p.alpha == 255;
    }
    EXPECT_GT(partial, 20);
    EXPECT_GT(full, 20);
}

TEST(Font, UnderlineAndStrikeoutAddLines) {
    auto inked = [](bool underline, bool strikeout) {
        const auto font = LoadFont("DejaVu Sans", 20, false, false, underline, strikeout);
        Canvas canvas(80, 30);
        canvas.DrawTextLine(*font, "ii", 0, 0, kOpaqueRed, false);
        // The widest run of ink in any one row.
        int widest = 0;
        for (unsigned y = 0; y < 30; ++y) {
            int run = 0;
            for (unsigned x = 0; x < 80; ++x) {
                run = canvas.PixelAt(x, y).alpha ? run + 1 : 0;
                widest = std::max(widest, run);
            }
        }
        return widest;
    };
    const int plain = inked(false, false);
    EXPECT_GT(inked(true, false), plain + 5);
    EXPECT_GT(inked(false, true), plain + 5);
}

}  // namespace
}  // namespace pictorb
