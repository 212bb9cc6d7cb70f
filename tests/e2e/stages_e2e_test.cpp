// The processing stages seen through the program: transforms, colour stages, the solid frame
// and both watermark kinds, checked on the pixels of the documents it writes.

#include <FreeImage.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "e2e/harness.h"

namespace pictorb::e2e {
namespace {

using testsupport::BmpSpec;
using Lines = std::vector<std::string>;
using PixelFn = std::function<Rgba(int x, int y)>;

BmpSpec SpecOf(int width, int height, const PixelFn& pixel) {
    BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bpp = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) spec.pixels.push_back(pixel(x, y));
    return spec;
}

Rgba At(const Picture& picture, int x, int y) {
    return picture.pixels[static_cast<std::size_t>(y * picture.width + x)];
}

// `top` laid over `bottom` with the given opacity, channel by channel.
Rgba Blend(Rgba bottom, Rgba top, int opacity) {
    const auto mix = [opacity](int b, int t) {
        return static_cast<uint8_t>(b + (t - b) * opacity / 255);
    };
    return {mix(bottom.r, top.r), mix(bottom.g, top.g), mix(bottom.b, top.b), 255};
}

::testing::AssertionResult Near(Rgba expected, Rgba actual, int tolerance) {
    const int pairs[4][2] = {{expected.r, actual.r},
                             {expected.g, actual.g},
                             {expected.b, actual.b},
                             {expected.a, actual.a}};
    for (const auto& pair : pairs) {
        if (std::abs(pair[0] - pair[1]) > tolerance)
            return ::testing::AssertionFailure()
                   << "expected " << int(expected.r) << "," << int(expected.g) << ","
                   << int(expected.b) << "," << int(expected.a) << " read " << int(actual.r) << ","
                   << int(actual.g) << "," << int(actual.b) << "," << int(actual.a);
    }
    return ::testing::AssertionSuccess();
}

// Every pixel of `picture` against `expected`, reporting the first difference with its place.
::testing::AssertionResult Matches(const Picture& picture, int width, int height,
                                   const PixelFn& expected, int tolerance) {
    if (picture.width != width || picture.height != height)
        return ::testing::AssertionFailure() << "size " << picture.width << "x" << picture.height
                                             << ", expected " << width << "x" << height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            ::testing::AssertionResult near = Near(expected(x, y), At(picture, x, y), tolerance);
            if (!near) return near << " at (" << x << ", " << y << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

class StagesTest : public ProgramTest {
  protected:
    // Converts `input` into a fresh out folder with the extra options and reads the document.
    std::optional<Picture> Convert(const std::string& input, const Lines& options) {
        std::filesystem::remove_all(OutFolder());
        std::filesystem::create_directory(OutFolder());
        Lines args = {"-i", input, "-o", OutFolder()};
        args.insert(args.end(), options.begin(), options.end());
        const Outcome run = Run(args);
        EXPECT_NE(std::find(run.lines.begin(), run.lines.end(), "Conversion complete"),
                  run.lines.end())
            << ::testing::PrintToString(run.lines);
        const std::filesystem::path name = std::filesystem::path(input).stem();
        return ReadPsd(OutFolder() + "/" + name.string() + ".psd");
    }
};

// A picture whose every pixel differs, with a marked top-left corner.
Rgba Marked(int x, int y) {
    if (x == 0 && y == 0) return {255, 0, 255, 255};
    return {static_cast<uint8_t>(20 + x * 25), static_cast<uint8_t>(40 + y * 50), 90, 255};
}

TEST_F(StagesTest, TransformsAndColourStagesChangeThePixels) {
    constexpr int kW = 8, kH = 4;
    const std::string input = WriteBitmap("a.bmp", SpecOf(kW, kH, Marked));
    // Four colours, two on each side of the threshold once weighted to grey (green weighs
    // most, red far less than its value suggests).
    const Rgba kFour[] = {
        {200, 200, 200, 255}, {40, 40, 40, 255}, {255, 0, 0, 255}, {0, 255, 0, 255}};
    const bool kWhite[] = {true, false, false, true};
    const auto fourIndex = [](int x, int y) { return (x + 2 * y) % 4; };
    const std::string twoLevel =
        WriteBitmap("b.bmp", SpecOf(kW, kH, [&](int x, int y) { return kFour[fourIndex(x, y)]; }));

    struct Variant {
        std::string name;
        std::string input;
        Lines options;
        int width, height;
        PixelFn expected;
    };
    const Variant variants[] = {
        // A counter-clockwise quarter turn: the top-left corner ends at the bottom left.
        {"rotation 90",
         input,
         {"--rotation=90"},
         kH,
         kW,
         [](int x, int y) { return Marked(kW - 1 - y, x); }},
        {"flip horizontal",
         input,
         {"--flip-horizontal"},
         kW,
         kH,
         [](int x, int y) { return Marked(kW - 1 - x, y); }},
        {"invert",
         input,
         {"--invert"},
         kW,
         kH,
         [](int x, int y) {
             const Rgba c = Marked(x, y);
             return Rgba{static_cast<uint8_t>(255 - c.r), static_cast<uint8_t>(255 - c.g),
                         static_cast<uint8_t>(255 - c.b), 255};
         }},
        {"greyscale and threshold",
         twoLevel,
         {"--greyscale", "--threshold=128"},
         kW,
         kH,
         [&](int x, int y) {
             const uint8_t v = kWhite[fourIndex(x, y)] ? 255 : 0;
             return Rgba{v, v, v, 255};
         }},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const std::optional<Picture> picture = Convert(v.input, v.options);
        ASSERT_TRUE(picture.has_value());
        EXPECT_TRUE(Matches(*picture, v.width, v.height, v.expected, 0));
    }
    const std::optional<Picture> turned = Convert(input, {"--rotation=90"});
    ASSERT_TRUE(turned.has_value());
    EXPECT_EQ(At(*turned, 0, kW - 1), Marked(0, 0));
}

TEST_F(StagesTest, PercentResizeHalvesBothSides) {
    const Rgba kColour = {30, 180, 90, 255};
    const std::string input =
        WriteBitmap("a.bmp", SpecOf(40, 22, [&](int, int) { return kColour; }));
    const std::optional<Picture> picture = Convert(
        input, {"--width=50", "--width-unit=percent", "--height=50", "--height-unit=percent"});
    ASSERT_TRUE(picture.has_value());
    EXPECT_TRUE(Matches(
        *picture, 20, 11, [&](int, int) { return kColour; }, 2));
}

TEST_F(StagesTest, SolidFrameBandsCornersAndOpacity) {
    constexpr int kW = 60, kH = 40;
    const Rgba kPicture = {40, 160, 220, 255};
    const Rgba kLeft = {255, 0, 0, 255}, kTop = {0, 0, 255, 255}, kRight = {0, 255, 0, 255},
               kBottom = {255, 255, 0, 255};
    const std::string input =
        WriteBitmap("a.bmp", SpecOf(kW, kH, [&](int, int) { return kPicture; }));
    const Lines frame = {"--fr-solid-left=20",
                         "--fr-solid-top=10",
                         "--fr-solid-right=6",
                         "--fr-solid-bottom=4",
                         "--fr-solid-left-color=FF0000",
                         "--fr-solid-top-color=0000FF",
                         "--fr-solid-right-color=00ff00",
                         "--fr-solid-bottom-color=FFFF00"};
    // Points well inside each band, the two halves of the top-left corner (split along the
    // line from (0, 0) to (20, 10)), and the untouched middle.
    struct Probe {
        int x, y;
        Rgba band;
        bool framed;
    };
    const Probe probes[] = {
        {5, 20, kLeft, true},      {30, 4, kTop, true},       {57, 20, kRight, true},
        {30, 38, kBottom, true},   {16, 2, kTop, true},       {4, 8, kLeft, true},
        {30, 20, kPicture, false}, {21, 11, kPicture, false}, {53, 35, kPicture, false},
    };
    const std::pair<std::string, int> opacities[] = {{"", 255}, {"128", 128}, {"0", 0}};
    for (const auto& [option, opacity] : opacities) {
        SCOPED_TRACE("opacity " + std::to_string(opacity));
        Lines options = frame;
        if (!option.empty()) options.push_back("--fr-solid-opacity=" + option);
        const std::optional<Picture> picture = Convert(input, options);
        ASSERT_TRUE(picture.has_value());
        ASSERT_EQ(picture->width, kW);
        ASSERT_EQ(picture->height, kH);
        for (const Probe& p : probes) {
            SCOPED_TRACE("at " + std::to_string(p.x) + ", " + std::to_string(p.y));
            const Rgba expected = p.framed ? Blend(kPicture, p.band, opacity) : kPicture;
            EXPECT_TRUE(Near(expected, At(*picture, p.x, p.y), 3));
        }
    }
}

// Whether a pixel shows the red text rather than the dark picture.
bool IsRedInk(Rgba c) {
    return c.r > 120 && c.g < 90 && c.b < 90;
}

struct InkBox {
    int count = 0;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // right and bottom inclusive
};

InkBox FindInk(const Picture& picture) {
    InkBox box;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (!IsRedInk(At(picture, x, y))) continue;
            ++box.count;
            box.left = std::min(box.left, x);
            box.top = std::min(box.top, y);
            box.right = std::max(box.right, x);
            box.bottom = std::max(box.bottom, y);
        }
    }
    return box;
}

TEST_F(StagesTest, TextWatermarkLandsWhereThePositionPutsIt) {
    constexpr int kW = 300, kH = 150;
    const Rgba kPicture = {30, 30, 30, 255};
    const std::string input =
        WriteBitmap("a.bmp", SpecOf(kW, kH, [&](int, int) { return kPicture; }));
    // "HH" at 40 points (about 53 pixels) makes a box of roughly 80 x 62 pixels.
    const Lines text = {"--wm-text=HH", "--wm-font-size=40", "--wm-font-color=FF0000"};
    struct Variant {
        std::string name;
        Lines options;
        bool bottomRight;  // placed by its bottom-right corner, 10 and 5 pixels from the edges
    };
    const Lines topLeft = {"--wm-text-position=TOPLEFT", "--wm-text-x-offset=0",
                           "--wm-text-y-offset=0"};
    Lines antialiased = topLeft;
    antialiased.push_back("--wm-text-antialiasing");
    const Variant variants[] = {
        {"top left", topLeft, false},
        {"top left, antialiased", antialiased, false},
        {"bottom right with offsets",
         {"--wm-text-position=bottomright", "--wm-text-x-offset=10", "--wm-text-y-offset=5"},
         true},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        Lines options = text;
        options.insert(options.end(), v.options.begin(), v.options.end());
        const std::optional<Picture> picture = Convert(input, options);
        ASSERT_TRUE(picture.has_value());
        ASSERT_EQ(picture->width, kW);
        ASSERT_EQ(picture->height, kH);
        const InkBox ink = FindInk(*picture);
        ASSERT_GT(ink.count, 200);
        // Capital letters about 0.69 em high: 40 points at 96 dpi, not at 72.
        EXPECT_NEAR(ink.bottom - ink.top + 1, 37, 3);
        if (!v.bottomRight) {
            // The ink starts near the corner (side bearing, space above the capitals) and
            // stays within the box.
            EXPECT_LT(ink.left, 15);
            EXPECT_LT(ink.top, 25);
            EXPECT_LT(ink.right, 110);
            EXPECT_LT(ink.bottom, 80);
        } else {
            // The box ends exactly at the offsets; the ink ends a little inside it.
            const int right = kW - 10, bottom = kH - 5;
            EXPECT_LT(ink.right, right);
            EXPECT_LT(ink.bottom, bottom);
            EXPECT_GT(ink.right, right - 15);
            EXPECT_GT(ink.bottom, bottom - 25);
            EXPECT_GT(ink.left, right - 110);
            EXPECT_GT(ink.top, bottom - 80);
        }
        // Away from the text box the picture is untouched.
        const int cornerX = v.bottomRight ? 5 : kW - 5;
        const int cornerY = v.bottomRight ? 5 : kH - 5;
        EXPECT_EQ(At(*picture, cornerX, cornerY), kPicture);
        EXPECT_EQ(At(*picture, kW / 2, kH / 2), kPicture);
    }
}

TEST_F(StagesTest, WatermarkFontAndImageFaultsStopTheRun) {
    const std::string input = WriteBitmap("a.bmp", SpecOf(8, 4, Marked));
    test::WriteBytes(Path("fontless.ini"), "[CLI]\r\n--WM-FONT =\r\n--WM-TEXT = x\r\n");
    const std::pair<std::string, std::string> cases[] = {
        {"--profile=" + Path("fontless.ini"), "Error: Invalid watermark font"},
        {"--wm-image=" + Path("missing.png"), "Error: Invalid watermark image"},
    };
    for (const auto& [option, error] : cases) {
        SCOPED_TRACE(option);
        const Outcome run = Run({"-i", input, "-o", OutFolder(), option});
        EXPECT_NE(std::find(run.lines.begin(), run.lines.end(), error), run.lines.end())
            << ::testing::PrintToString(run.lines);
        EXPECT_EQ(FolderNames(OutFolder()), Lines{});
    }
}

// A 20 x 10 PNG: the left half opaque green, the right half fully transparent magenta.
void WriteHalfTransparentPng(const std::string& path) {
    struct Unload {
        void operator()(FIBITMAP* dib) const { FreeImage_Unload(dib); }
    };
    std::unique_ptr<FIBITMAP, Unload> dib(FreeImage_Allocate(20, 10, 32));
    ASSERT_TRUE(dib);
    for (unsigned y = 0; y < 10; ++y) {
        BYTE* row = FreeImage_GetScanLine(dib.get(), static_cast<int>(y));
        for (unsigned x = 0; x < 20; ++x) {
            BYTE* p = row + 4 * x;
            const bool opaque = x < 10;
            p[FI_RGBA_RED] = opaque ? 0 : 255;
            p[FI_RGBA_GREEN] = opaque ? 255 : 0;
            p[FI_RGBA_BLUE] = opaque ? 0 : 255;
            p[FI_RGBA_ALPHA] = opaque ? 255 : 0;
        }
    }
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, dib.get(), path.c_str(), 0));
}

TEST_F(StagesTest, ImageWatermarkKeepsItsTransparentPart) {
    constexpr int kW = 60, kH = 40;
    const std::string input = WriteBitmap("a.bmp", TrueColourSpec(kW, kH, 24));
    const std::vector<Rgba> original = PatternPixels(kW, kH);
    const std::string mark = Path("mark.png");
    ASSERT_NO_FATAL_FAILURE(WriteHalfTransparentPng(mark));
    const Rgba kGreen = {0, 255, 0, 255};
    struct Variant {
        std::string name;
        Lines options;
        int left, top;  // where the watermark's top-left corner lands
        int opacity;
    };
    const Variant variants[] = {
        {"top left",
         {"--wm-image-position=TOPLEFT", "--wm-image-x-offset=0", "--wm-image-y-offset=0"},
         0,
         0,
         255},
        {"bottom right with offsets",
         {"--wm-image-position=BOTTOMRIGHT", "--wm-image-x-offset=5", "--wm-image-y-offset=3"},
         kW - 5 - 20,
         kH - 3 - 10,
         255},
        {"half opacity",
         {"--wm-image-position=TOPLEFT", "--wm-image-x-offset=0", "--wm-image-y-offset=0",
          "--wm-image-opacity=128"},
         0,
         0,
         128},
        {"opacity 0",
         {"--wm-image-position=TOPLEFT", "--wm-image-x-offset=0", "--wm-image-y-offset=0",
          "--wm-image-opacity=0"},
         0,
         0,
         0},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        Lines options = {"--wm-image=" + mark};
        options.insert(options.end(), v.options.begin(), v.options.end());
        const std::optional<Picture> picture = Convert(input, options);
        ASSERT_TRUE(picture.has_value());
        const auto expected = [&](int x, int y) {
            const Rgba under = original[static_cast<std::size_t>(y * kW + x)];
            const bool green = x >= v.left && x < v.left + 10 && y >= v.top && y < v.top + 10;
            return green ? Blend(under, kGreen, v.opacity) : under;
        };
        EXPECT_TRUE(Matches(*picture, kW, kH, expected, v.opacity == 255 ? 0 : 3));
    }
}

}  // namespace
}  // namespace pictorb::e2e
