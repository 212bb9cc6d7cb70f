#include "pipeline/depth.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace pictorb {
namespace {

constexpr RGBQUAD kColours[] = {
    {0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}, {255, 255, 255, 255}};

// Four columns of red, green, blue and white, eight rows high.
Image FourColours(unsigned bpp) {
    Image image(FreeImage_Allocate(4, 8, bpp));
    for (unsigned y = 0; y < 8; ++y) {
        for (unsigned x = 0; x < 4; ++x) {
            RGBQUAD quad = kColours[x];
            FreeImage_SetPixelColor(image.get(), x, y, &quad);
        }
    }
    return image;
}

FileJob Job(int32_t target, std::string key = "psd") {
    FileJob job;
    job.targetBitDepth = target;
    job.outputFormatKey = std::move(key);
    return job;
}

TEST(ChooseAutoDepthTest, PicksTheSmallestListedDepthThatHoldsTheSource) {
    struct Case {
        const char* list;
        int32_t source, expected;
    } cases[] = {
        {"1,4,8,24,32,48", 16, 24},
        {"1,4,8,24,32,48", 8, 8},
        {"1,4,8,24,32,48", 64, 48},
        {"1,4,8,24,32,48", 1, 1},
        {"8,24", 32, 24},
        {"8,24", 4, 8},
        {"32", 32, 32},
        {"32", 24, 32},
        {"32", 1, 32},
        {"32", 48, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.list) + " from " + std::to_string(c.source));
        EXPECT_EQ(ChooseAutoDepth(c.list, c.source), c.expected);
    }
}

TEST(ConvertToOutputDepthTest, ReachesEveryDepthOfTheTable) {
    struct Case {
        int32_t target;
        FREE_IMAGE_TYPE type;
    } cases[] = {{96, FIT_RGBF},   {48, FIT_RGB16}, {32, FIT_BITMAP}, {24, FIT_BITMAP},
                 {16, FIT_BITMAP}, {8, FIT_BITMAP}, {4, FIT_BITMAP},  {1, FIT_BITMAP}};
    for (unsigned sourceBpp : {8u, 24u, 32u}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(sourceBpp) + " -> " + std::to_string(c.target));
            FileJob job = Job(c.target, "png");
            Image image = ConvertToOutputDepth(FourColours(sourceBpp), job, "1,4,8,24,32,48");
            ASSERT_TRUE(image);
            EXPECT_EQ(image.Bpp(), static_cast<unsigned>(c.target));
            EXPECT_EQ(FreeImage_GetImageType(image.get()), c.type);
        }
    }
}

TEST(ConvertToOutputDepthTest, AutomaticDepthIsChosenFromTheSourceDepthAndStored) {
    struct Case {
        const char* key;
        const char* list;
        int32_t source, expected;
    } cases[] = {{"psd", "32", 24, 32}, {"jpg", "8,24", 32, 24}, {"png", "1,4,8,24,32,48", 8, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        FileJob job = Job(0, c.key);
        job.automaticDepth = 1;
        // The source depth counts, not the depth the stages before left behind.
        job.sourceBitDepth = c.source;
        Image image = ConvertToOutputDepth(FourColours(32), job, c.list);
        EXPECT_EQ(job.targetBitDepth, c.expected);
        ASSERT_TRUE(image);
        EXPECT_EQ(image.Bpp(), static_cast<unsigned>(c.expected));
    }
}

TEST(ConvertToOutputDepthTest, SixteenBitsUse555ForIconsAndTargaElse565) {
    struct Case {
        const char* key;
        unsigned sourceBpp;
        unsigned redMask, greenMask;
    } cases[] = {
        {"tga", 24, FI16_555_RED_MASK, FI16_555_GREEN_MASK},
        {"ico", 32, FI16_555_RED_MASK, FI16_555_GREEN_MASK},
        {"bmp", 24, FI16_565_RED_MASK, FI16_565_GREEN_MASK},
        {"bmp", 48, FI16_565_RED_MASK, FI16_565_GREEN_MASK},
        {"tga", 48, FI16_555_RED_MASK, FI16_555_GREEN_MASK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " from " + std::to_string(c.sourceBpp));
        Image source = c.sourceBpp == 48 ? Image(FreeImage_AllocateT(FIT_RGB16, 4, 8))
                                         : FourColours(c.sourceBpp);
        FileJob job = Job(16, c.key);
        Image image = ConvertToOutputDepth(std::move(source), job, "16");
        ASSERT_TRUE(image);
        EXPECT_EQ(image.Bpp(), 16u);
        EXPECT_EQ(FreeImage_GetRedMask(image.get()), c.redMask);
        EXPECT_EQ(FreeImage_GetGreenMask(image.get()), c.greenMask);
    }
}

TEST(ConvertToOutputDepthTest, EightBitsAreGreyForJpegFamiliesAndQuantisedElse) {
    for (const char* key : {"jpg", "jp2", "j2k", "jxr", "gif", "png", "tif"}) {
        for (unsigned sourceBpp : {24u, 32u}) {
            SCOPED_TRACE(std::string(key) + " from " + std::to_string(sourceBpp));
            const bool grey = std::string(key).find('j') == 0;
            FileJob job = Job(8, key);
            Image image = ConvertToOutputDepth(FourColours(sourceBpp), job, "8");
            ASSERT_TRUE(image);
            ASSERT_EQ(image.Bpp(), 8u);
            const RGBQUAD* palette = FreeImage_GetPalette(image.get());
            for (unsigned x = 0; x < 4; ++x) {
                BYTE index = 0;
                FreeImage_GetPixelIndex(image.get(), x, 3, &index);
                const RGBQUAD got = palette[index];
                if (grey) {
                    EXPECT_EQ(got.rgbRed, got.rgbGreen);
                    EXPECT_EQ(got.rgbGreen, got.rgbBlue);
                } else {
                    // Four colours fit a 256-colour palette: each keeps its colour.
                    EXPECT_LE(std::abs(got.rgbRed - kColours[x].rgbRed), 2) << x;
                    EXPECT_LE(std::abs(got.rgbGreen - kColours[x].rgbGreen), 2) << x;
                    EXPECT_LE(std::abs(got.rgbBlue - kColours[x].rgbBlue), 2) << x;
                }
            }
            if (grey) {
                EXPECT_EQ(FreeImage_GetColorType(image.get()), FIC_MINISBLACK);
            }
        }
    }
}

TEST(ConvertToOutputDepthTest, OneBitIsBlackAndWhite) {
    FileJob job = Job(1);
    Image image = ConvertToOutputDepth(FourColours(24), job, "1");
    ASSERT_TRUE(image);
    ASSERT_EQ(image.Bpp(), 1u);
    const RGBQUAD* palette = FreeImage_GetPalette(image.get());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(palette[i].rgbRed, palette[i].rgbGreen);
        EXPECT_TRUE(palette[i].rgbRed == 0 || palette[i].rgbRed == 255);
    }
    BYTE white = 0;
    FreeImage_GetPixelIndex(image.get(), 3, 3, &white);
    EXPECT_EQ(palette[white].rgbRed, 255);
}

TEST(ConvertToOutputDepthTest, KeepsTheHandleAtTheTargetAndFailsOnUnknownDepths) {
    for (unsigned bpp : {1u, 4u, 8u, 16u, 24u, 32u}) {
        SCOPED_TRACE(std::to_string(bpp) + " bits already");
        Image image(FreeImage_Allocate(4, 4, bpp));
        FIBITMAP* const before = image.get();
        FileJob job = Job(static_cast<int32_t>(bpp), "tga");
        image = ConvertToOutputDepth(std::move(image), job, "32");
        EXPECT_EQ(image.get(), before);
    }
    for (int32_t target : {0, 2, 12, 64, 128, -24}) {
        SCOPED_TRACE("target " + std::to_string(target));
        FileJob job = Job(target);
        EXPECT_FALSE(ConvertToOutputDepth(FourColours(24), job, "32"));
    }
    FileJob job = Job(32);
    EXPECT_FALSE(ConvertToOutputDepth(Image(), job, "32"));
}

}  // namespace
}  // namespace pictorb
