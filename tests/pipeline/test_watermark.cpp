#include "pipeline/watermark.h"

#include <gtest/gtest.h>

#include <thread>

#include "drawing_helpers.h"
#include "pipeline/layer.h"

namespace pictorb {
namespace {

using testing::Colour;
using testing::MakePicture;
using testing::Near;
using testing::PixelAt;

const Colour kWhite{255, 255, 255};
const Colour kRed{255, 0, 0};
const Colour kBlue{0, 0, 255};

ConversionSettings TextSettings() {
    ConversionSettings settings;
    settings.doWatermark = 1;
    settings.text = "HH";
    settings.font = "DejaVu Sans";
    settings.fontSize = 18;
    settings.fontColor = "FF0000";
    settings.backColor = "0000FF";
    settings.textOpacity = 255;
    settings.backOpacity = 0;
    settings.textPadding = 3;
    return settings;
}

TEST(WatermarkPlacement, NinePositionsWithOffsets) {
    // 640 x 480, a 100 x 20 watermark, offsets 10 and 5.
    const std::pair<int64_t, int64_t> expected[] = {
        {10, 5},   {270, 5},   {530, 5},    // top
        {10, 230}, {270, 230}, {530, 230},  // middle
        {10, 455}, {270, 455}, {530, 455},  // bottom
    };
    for (int type : {1, 2}) {
        ConversionSettings settings;
        settings.doWatermark = static_cast<int8_t>(type);
        (type == 1 ? settings.textXOffset : settings.imageXOffset) = 10;
        (type == 1 ? settings.textYOffset : settings.imageYOffset) = 5;
        for (int position = 0; position < 9; ++position) {
            SCOPED_TRACE(::testing::Message() << "type " << type << " position " << position);
            (type == 1 ? settings.textPosition : settings.imagePosition) =
                static_cast<int8_t>(position);
            const WatermarkPosition place = PlaceWatermark(settings, 640, 480, 100, 20);
            EXPECT_EQ(place.x, expected[position].first);
            EXPECT_EQ(place.y, expected[position].second);
        }
        (type == 1 ? settings.textPosition : settings.imagePosition) = 9;
        EXPECT_EQ(PlaceWatermark(settings, 640, 480, 100, 20).x, 0);
    }
    ConversionSettings settings;
    settings.doWatermark = 1;
    settings.textPosition = 8;
    settings.textXOffset = settings.textYOffset = 10;
    const WatermarkPosition corner = PlaceWatermark(settings, 640, 480, 100, 20);
    EXPECT_EQ(corner.x, 530);
    EXPECT_EQ(corner.y, 450);
    // Centring truncates toward zero, also when the watermark is the larger.
    settings.textPosition = 4;
    EXPECT_EQ(PlaceWatermark(settings, 640, 480, 101, 21).x, 269);
    EXPECT_EQ(PlaceWatermark(settings, 640, 480, 645, 21).x, -2);
}

TEST(WatermarkPlacement, FrameBoundary) {
    ConversionSettings settings;
    settings.doWatermark = 1;
    settings.doFrame = 1;
    settings.solidLeft = settings.solidRight = 20;
    settings.solidTop = settings.solidBottom = 10;
    settings.textBoundary = 1;
    settings.textPosition = 8;
    const WatermarkArea area = WatermarkAreaOf(settings, 640, 480);
    EXPECT_EQ(area.width, 600);
    EXPECT_EQ(area.height, 460);
    EXPECT_EQ(area.left, 20);
    EXPECT_EQ(area.top, 10);
    WatermarkPosition place = PlaceWatermark(settings, 640, 480, 100, 20);
    EXPECT_EQ(place.x, 20 + 600 - 100);
    EXPECT_EQ(place.y, 10 + 460 - 20);

    settings.doFrame = 0;  // without a frame the boundary means nothing
    place = PlaceWatermark(settings, 640, 480, 100, 20);
    EXPECT_EQ(place.x, 540);
    settings.doFrame = 1;
    settings.doWatermark = 2;  // the image type has its own boundary setting
    EXPECT_EQ(WatermarkAreaOf(settings, 640, 480).width, 640);
}

TEST(WatermarkPlacement, CroppingKeepsTheTopLeftPart) {
    ConversionSettings settings;
    settings.doWatermark = 1;
    settings.textXOffset = 10;
    settings.textYOffset = 4;
    Image wide = MakePicture(700, 30, Colour{0, 0, 0, 255}, 32);
    testing::SetPixel(wide, 0, 0, kRed);
    const Image fitted = FitWatermark(std::move(wide), settings, 640, 20, 700, 30);
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fitted.Width(), 630u);
    EXPECT_EQ(fitted.Height(), 16u);
    EXPECT_TRUE(Near(PixelAt(fitted, 0, 0), kRed));
    settings.textPosition = 1;  // centred: the crop still counted the offset
    EXPECT_EQ(PlaceWatermark(settings, 640, 20, 630, 16).x, 5);

    Image small = MakePicture(50, 10, {}, 32);
    FIBITMAP* raw = small.get();
    EXPECT_EQ(FitWatermark(std::move(small), settings, 640, 480, 50, 10).get(), raw);

    settings.textXOffset = 700;  // larger than the area: nothing is left to draw
    EXPECT_FALSE(FitWatermark(MakePicture(50, 10, {}, 32), settings, 640, 480, 50, 10));
    settings.textXOffset = 640;
    EXPECT_FALSE(FitWatermark(MakePicture(50, 10, {}, 32), settings, 640, 480, 50, 10));
}

TEST(WatermarkPlacement, RotationTurnsTheBox) {
    ConversionSettings settings;
    settings.doWatermark = 1;
    for (int angle : {0, 360, -90, 400}) {
        settings.textRotation = angle;
        EXPECT_EQ(RotateWatermark(MakePicture(100, 20, kRed, 32), settings).Width(), 100u);
    }
    settings.textRotation = 90;
    const Image turned = RotateWatermark(MakePicture(100, 20, kRed, 32), settings);
    EXPECT_EQ(turned.Width(), 20u);
    EXPECT_EQ(turned.Height(), 100u);
    settings.textRotation = 45;
    const Image tilted = RotateWatermark(MakePicture(100, 20, kRed, 32), settings);
    EXPECT_EQ(PixelAt(tilted, 0, 0).alpha, 0);  // uncovered corners are transparent
    EXPECT_EQ(PixelAt(tilted, tilted.Width() / 2, tilted.Height() / 2).alpha, 255);
}

TEST(WatermarkText, LinesAndTokens) {
    EXPECT_EQ(SplitWatermarkLines("Hello%EOL%World"), (std::vector<std::string>{"Hello", "World"}));
    EXPECT_EQ(SplitWatermarkLines("a%eOl%%eol%b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitWatermarkLines("plain"), (std::vector<std::string>{"plain"}));

    FileJob job;
    job.inputPath = "/photos/%ext%.bmp";
    job.outputFormatKey = "psd";
    job.targetBitDepth = 24;
    job.sourceBitDepth = 8;
    ConversionSettings settings;
    settings.text = "100% sure";
    EXPECT_EQ(ExpandWatermarkText(settings, job, "32", 640, 480), "100% sure");
    settings.text = "%WIDTH%x%Height% at %bpp% bits, Mixed Case";
    EXPECT_EQ(ExpandWatermarkText(settings, job, "32", 640, 480), "640x480 at 24 bits, Mixed Case");
    job.automaticDepth = 1;
    EXPECT_EQ(ExpandWatermarkText(settings, job, "8,24,32", 640, 480),
              "640x480 at 8 bits, Mixed Case");
    // Which tokens apply is decided on the typed text: the name brings in "%ext%", which
    // was not typed and so stays.
    settings.text = "%filename%!";
    EXPECT_EQ(ExpandWatermarkText(settings, job, "32", 1, 1), "%ext%!");
}

TEST(WatermarkText, AlignLine) {
    ConversionSettings settings;
    settings.textPadding = 4;
    settings.textAlignment = 1;
    EXPECT_EQ(AlignLine(settings, 30, 101), 36);  // 35.5 rounds away from zero
    EXPECT_EQ(AlignLine(settings, 30, 100), 35);
    EXPECT_EQ(AlignLine(settings, 101, 30), -36);
    settings.textAlignment = 0;
    EXPECT_EQ(AlignLine(settings, 30, 101), 4);
    settings.textAlignment = 2;
    EXPECT_EQ(AlignLine(settings, 30, 101), 67);
    settings.textAlignment = 5;
    EXPECT_EQ(AlignLine(settings, 30, 101), 0);
}

TEST(WatermarkText, FontFromSettings) {
    ConversionSettings settings = TextSettings();
    settings.font = "Arial";
    settings.fontSize = 12;
    const auto font = LoadWatermarkFont(settings);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->PixelSize(), 16);
    EXPECT_EQ(font->ResolvedFamily(), "Liberation Sans");
    settings.fontSize = 10;
    EXPECT_EQ(LoadWatermarkFont(settings)->PixelSize(), 13);
    settings.font.clear();
    EXPECT_EQ(LoadWatermarkFont(settings), nullptr);
}

TEST(WatermarkText, BoxIsTheTextWithPadding) {
    const ConversionSettings settings = TextSettings();
    const auto font = LoadWatermarkFont(settings);
    ASSERT_NE(font, nullptr);
    const TextExtent one = *MeasureTextLine(*font, "HH", false);
    const Image single = RenderTextWatermark(settings, "HH", *font);
    ASSERT_TRUE(single);
    EXPECT_EQ(single.Bpp(), 32u);
    EXPECT_EQ(single.Width(), unsigned(one.width + 6));
    EXPECT_EQ(single.Height(), unsigned(one.height + 6));

    ConversionSettings leading = settings;
    leading.fontLeading = 5;
    for (const char* text : {"HH%eol%H", "HH%EOL%H", "HH%Eol%H"}) {
        SCOPED_TRACE(text);
        const Image two = RenderTextWatermark(leading, text, *font);
        EXPECT_EQ(two.Width(), single.Width());
        EXPECT_EQ(two.Height(), unsigned(2 * one.height + 5 + 6));
    }
    // Several lines are at least 10 pixels wide, however short.
    EXPECT_EQ(RenderTextWatermark(settings, "%eol%", *font).Width(), 16u);
}

TEST(WatermarkText, ChannelsOfPlainAndAntialiasedText) {
    ConversionSettings settings = TextSettings();
    settings.backOpacity = 100;
    settings.textOpacity = 200;
    const auto font = LoadWatermarkFont(settings);
    for (int8_t antialias : {0, 1}) {
        SCOPED_TRACE(int(antialias));
        settings.textAntialiasing = antialias;
        const Image box = RenderTextWatermark(settings, "HH", *font);
        ASSERT_TRUE(box);
        const Colour corner = PixelAt(box, 0, 0);  // padding: background only
        EXPECT_TRUE(Near(corner, kBlue, 2));
        EXPECT_NEAR(corner.alpha, 100, 1);
        int inked = 0;
        for (unsigned y = 0; y < box.Height(); ++y) {
            for (unsigned x = 0; x < box.Width(); ++x) {
                const Colour c = PixelAt(box, x, y);
                if (c.red < 228) continue;  // fully inked pixels only
                ++inked;
                if (antialias == 0) {
                    // Plain text writes the font colour at the text opacity.
                    ASSERT_TRUE(Near(c, kRed));
                    ASSERT_EQ(c.alpha, 200);
                } else {
                    // Opaque text faded to 200 over the background faded to 100.
                    ASSERT_TRUE(Near(c, Colour{230, 0, 25}, 3));
                    ASSERT_NEAR(c.alpha, 222, 2);
                }
            }
        }
        EXPECT_GT(inked, 4);
    }
}

TEST(DrawWatermark, TextIsDrawnInsideItsBox) {
    ConversionSettings settings = TextSettings();
    settings.textPosition = 0;
    settings.textXOffset = 20;
    settings.textYOffset = 10;
    const auto font = LoadWatermarkFont(settings);
    ASSERT_NE(font, nullptr);
    const Image box = RenderTextWatermark(settings, "HH", *font);
    for (int8_t antialias : {0, 1}) {
        SCOPED_TRACE(int(antialias));
        settings.textAntialiasing = antialias;
        const Image image = DrawWatermark(MakePicture(200, 100, kWhite, 32), 200, 100, settings,
                                          FileJob{}, "32", font.get());
        ASSERT_EQ(image.Bpp(), 24u);
        int red = 0;
        for (unsigned y = 0; y < 100; ++y) {
            for (unsigned x = 0; x < 200; ++x) {
                const Colour c = PixelAt(image, x, y);
                if (c.red == 255 && c.green == 255 && c.blue == 255) continue;
                const bool inside =
                    x >= 20 && x < 20 + box.Width() && y >= 10 && y < 10 + box.Height();
                ASSERT_TRUE(inside) << x << "," << y;
                red += c.red == 255 && c.green == 0 && c.blue == 0;
            }
        }
        EXPECT_GT(red, 20);
    }
}

TEST(DrawWatermark, FontLoadedBeforeTheWorkerDrawsOnIt) {
    // The run loads the font on its own thread and the worker draws with it.
    const ConversionSettings settings = TextSettings();
    const auto font = LoadWatermarkFont(settings);
    ASSERT_NE(font, nullptr);
    const Image here =
        DrawWatermark(MakePicture(80, 40, kWhite), 80, 40, settings, FileJob{}, "32", font.get());
    Image there;
    std::thread worker([&] {
        there = DrawWatermark(MakePicture(80, 40, kWhite), 80, 40, settings, FileJob{}, "32",
                              font.get());
    });
    worker.join();
    EXPECT_FALSE(testing::SamePixels(here, MakePicture(80, 40, kWhite)));
    EXPECT_TRUE(testing::SamePixels(here, there));
}

TEST(DrawWatermark, TextBoxLargerThanThePictureIsCroppedFromTheWholeBox) {
    ConversionSettings settings = TextSettings();
    settings.text = "A wide line of text%eol%short";
    settings.textAlignment = 1;  // the short line is centred in the whole box
    settings.backOpacity = 255;
    settings.textXOffset = 3;
    settings.textYOffset = 2;
    const auto font = LoadWatermarkFont(settings);
    ASSERT_NE(font, nullptr);
    for (int8_t antialias : {0, 1}) {
        SCOPED_TRACE(int(antialias));
        settings.textAntialiasing = antialias;
        Image whole = RenderTextWatermark(settings, settings.text, *font);
        ASSERT_GT(whole.Width(), 60u);
        const int64_t w = whole.Width(), h = whole.Height();
        const Image fitted = FitWatermark(std::move(whole), settings, 60, 30, w, h);
        const Image expected = MakePicture(60, 30, kWhite);
        ASSERT_TRUE(CompositeLayer(expected, fitted, 3, 2));
        const Image image = DrawWatermark(MakePicture(60, 30, kWhite), 60, 30, settings, FileJob{},
                                          "32", font.get());
        EXPECT_TRUE(testing::SamePixels(image, expected));
    }
}

TEST(DrawWatermark, NothingToDrawLeavesThePicture) {
    const auto font = LoadWatermarkFont(TextSettings());
    const Image original = MakePicture(60, 40, kWhite);
    struct Case {
        const char* what;
        ConversionSettings settings;
        const Font* font;
    };
    ConversionSettings noFont = TextSettings();
    ConversionSettings offset = TextSettings();
    offset.textXOffset = 100;
    ConversionSettings otherType = TextSettings();
    otherType.doWatermark = 3;
    ConversionSettings emptyText = TextSettings();
    emptyText.text.clear();
    emptyText.textPadding = 0;
    ConversionSettings outside = TextSettings();
    outside.textXOffset = -5;  // the watermark would start left of the picture
    for (const Case& c :
         {Case{"no font", noFont, nullptr}, Case{"offset", offset, font.get()},
          Case{"type", otherType, font.get()}, Case{"empty text", emptyText, font.get()},
          Case{"outside", outside, font.get()}}) {
        SCOPED_TRACE(c.what);
        const Image image = DrawWatermark(MakePicture(60, 40, kWhite, 32), 60, 40, c.settings,
                                          FileJob{}, "32", c.font);
        EXPECT_EQ(image.Bpp(), 24u);
        EXPECT_TRUE(testing::SamePixels(image, original));
    }

    ConversionSettings off = TextSettings();
    off.doWatermark = 0;
    Image picture = MakePicture(60, 40, kWhite, 32);
    FIBITMAP* raw = picture.get();
    EXPECT_EQ(DrawWatermark(std::move(picture), 60, 40, off, FileJob{}, "32", font.get()).get(),
              raw);
    EXPECT_FALSE(DrawWatermark(Image(), 60, 40, TextSettings(), FileJob{}, "32", font.get()));
}

}  // namespace
}  // namespace pictorb
