// The bitmap front door: every header, depth and compression variant loads with the pixels the
// format defines; hostile and broken files are refused quickly with the right cause.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "pipeline/bitmap_reader.h"
#include "support/bmp_writer.h"

// GCC 12 warns about members left to their defaults in designated initialisers.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace pictorb {
namespace {

using testsupport::BmpCompression;
using testsupport::BmpSpec;
using testsupport::MakeBmp;
using testsupport::PutLe16;
using testsupport::PutLe32;
using testsupport::Rgba;

// Eight colours, index 0 deliberately not black so undefined RLE pixels are visible.
const std::vector<Rgba> kPalette = {{10, 20, 30, 255},    {255, 0, 0, 255},   {0, 255, 0, 255},
                                    {0, 0, 255, 255},     {255, 255, 0, 255}, {0, 255, 255, 255},
                                    {255, 255, 255, 255}, {128, 64, 200, 255}};

std::vector<Rgba> FullPalette(uint16_t bpp) {
    std::vector<Rgba> palette = kPalette;
    palette.resize(size_t{1} << bpp, {1, 2, 3, 255});
    return palette;
}

// Runs of one colour at the start of each row, then changing colours (absolute RLE runs).
std::vector<Rgba> Pattern(int width, int height, const std::vector<Rgba>& colours) {
    std::vector<Rgba> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = (x < 5 ? 1 + y % 3 : x * 7 + y * 3) % colours.size();
            pixels.push_back(colours[i]);
        }
    }
    return pixels;
}

// Direct colours with every channel (alpha too) varying.
std::vector<Rgba> Gradient(int width, int height) {
    std::vector<Rgba> pixels;
    for (int i = 0; i < width * height; ++i) {
        pixels.push_back({static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i * 11),
                          static_cast<uint8_t>(i * 90 + 7), static_cast<uint8_t>(i * 53 + 1)});
    }
    return pixels;
}

uint8_t FieldValue(uint32_t pixel, uint32_t mask) {
    return testsupport::UnpackChannel(pixel, mask);
}

// The decoded picture, top row first, read from the raw FreeImage bitmap by the format's rules.
std::vector<Rgba> ReadPixels(const Image& image) {
    std::vector<Rgba> out;
    FIBITMAP* dib = image.get();
    const unsigned width = image.Width();
    const unsigned height = image.Height();
    const unsigned bpp = image.Bpp();
    const RGBQUAD* palette = FreeImage_GetPalette(dib);
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* line = FreeImage_GetScanLine(dib, static_cast<int>(height - 1 - y));
        for (unsigned x = 0; x < width; ++x) {
            if (bpp <= 8) {
                const unsigned bit = x * bpp;
                const unsigned index = (line[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                const RGBQUAD& c = palette[index];
                out.push_back({c.rgbRed, c.rgbGreen, c.rgbBlue, 255});
            } else if (bpp == 16) {
                const uint32_t v = line[2 * x] | line[2 * x + 1] << 8;
                out.push_back({FieldValue(v, FreeImage_GetRedMask(dib)),
                               FieldValue(v, FreeImage_GetGreenMask(dib)),
                               FieldValue(v, FreeImage_GetBlueMask(dib)), 255});
            } else {
                const BYTE* p = line + x * (bpp / 8);
                out.push_back({p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE],
                               bpp == 32 ? p[FI_RGBA_ALPHA] : BYTE{255}});
            }
        }
    }
    return out;
}

std::vector<Rgba> Opaque(std::vector<Rgba> pixels) {
    for (Rgba& c : pixels) c.a = 255;
    return pixels;
}

LoadedBitmap Load(const std::vector<uint8_t>& bytes, const BitmapLimits& limits = {}) {
    return LoadBitmapBytes(bytes, limits);
}

void ExpectPixels(const std::vector<uint8_t>& bytes, const std::vector<Rgba>& expected, int width,
                  int height) {
    const LoadedBitmap loaded = Load(bytes);
    ASSERT_EQ(loaded.error, BitmapError::None) << BitmapErrorName(loaded.error);
    ASSERT_TRUE(loaded.image);
    ASSERT_EQ(loaded.image.Width(), static_cast<unsigned>(width));
    ASSERT_EQ(loaded.image.Height(), static_cast<unsigned>(height));
    const std::vector<Rgba> actual = ReadPixels(loaded.image);
    for (size_t i = 0; i < expected.size(); ++i) {
        const Rgba& e = expected[i];
        const Rgba& a = actual[i];
        ASSERT_EQ(a, e) << "pixel " << i % width << "," << i / width << ": got " << +a.r << " "
                        << +a.g << " " << +a.b << " " << +a.a << ", want " << +e.r << " " << +e.g
                        << " " << +e.b << " " << +e.a;
    }
}

// Refused with `error`, within a second, and without an image.
void ExpectRefused(const std::vector<uint8_t>& bytes, BitmapError error,
                   const BitmapLimits& limits = {}) {
    const auto start = std::chrono::steady_clock::now();
    const LoadedBitmap loaded = Load(bytes, limits);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(loaded.error, error) << "got " << BitmapErrorName(loaded.error);
    EXPECT_FALSE(loaded.image);
    EXPECT_LT(elapsed, std::chrono::seconds(1));
}

std::vector<uint8_t> WithField32(std::vector<uint8_t> bytes, size_t offset, uint32_t value) {
    PutLe32(bytes, offset, value);
    return bytes;
}

BmpSpec Indexed(uint16_t bpp, int width = 13, int height = 5) {
    const auto palette = FullPalette(bpp);
    const std::vector<Rgba> colours(palette.begin(),
                                    palette.begin() + std::min<size_t>(8, palette.size()));
    return {.width = width,
            .height = height,
            .bpp = bpp,
            .palette = palette,
            .pixels = Pattern(width, height, colours)};
}

TEST(BitmapReader, EveryHeaderVariantLoadsExactly) {
    for (uint32_t headerSize : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        for (uint16_t bpp : {1, 4, 8, 24}) {
            SCOPED_TRACE("header " + std::to_string(headerSize) + ", " + std::to_string(bpp) +
                         " bpp");
            BmpSpec spec = bpp == 24
                               ? BmpSpec{.width = 7, .height = 3, .pixels = Opaque(Gradient(7, 3))}
                               : Indexed(bpp);
            spec.headerSize = headerSize;
            ExpectPixels(MakeBmp(spec), spec.pixels, spec.width, spec.height);
        }
    }
}

TEST(BitmapReader, ShortPalettesAndOffsets) {
    BmpSpec spec = Indexed(8);
    spec.palette.resize(8);  // clrUsed 8
    ExpectPixels(MakeBmp(spec), spec.pixels, spec.width, spec.height);

    // An offset of 0 (or inside the headers): the pixels follow the palette.
    ExpectPixels(WithField32(MakeBmp(spec), testsupport::kBfOffBitsOffset, 0), spec.pixels,
                 spec.width, spec.height);

    // Pixels start inside the palette that clrUsed 0 implies: only the written entries count.
    spec.clrUsed = 0;
    ExpectPixels(MakeBmp(spec), spec.pixels, spec.width, spec.height);

    // More colours than the depth can index.
    std::vector<uint8_t> bytes = MakeBmp(Indexed(4));
    PutLe32(bytes, testsupport::kBiClrUsedOffset, 17);
    ExpectRefused(bytes, BitmapError::NotABitmap);
}

TEST(BitmapReader, RleStreamsLoadExactly) {
    for (BmpCompression compression : {BmpCompression::Rle8, BmpCompression::Rle4}) {
        const uint16_t bpp = compression == BmpCompression::Rle8 ? 8 : 4;
        for (uint32_t headerSize : {40u, 108u, 124u, 64u}) {
            for (bool eolBeforeEob : {true, false}) {
                SCOPED_TRACE(std::to_string(bpp) + " bpp, header " + std::to_string(headerSize) +
                             (eolBeforeEob ? ", end-of-line before end-of-bitmap" : ""));
                BmpSpec spec = Indexed(bpp, 300, 4);  // absolute runs split at 255
                spec.compression = compression;
                spec.headerSize = headerSize;
                spec.rle.eolBeforeEob = eolBeforeEob;
                ExpectPixels(MakeBmp(spec), spec.pixels, spec.width, spec.height);
            }
        }
        SCOPED_TRACE("one colour, runs split at 255");
        BmpSpec solid = Indexed(bpp, 600, 2);
        solid.compression = compression;
        std::fill(solid.pixels.begin(), solid.pixels.end(), kPalette[5]);
        ExpectPixels(MakeBmp(solid), solid.pixels, solid.width, solid.height);
    }
}

TEST(BitmapReader, RleDeltaCodesLeaveSkippedPixelsAtIndexZero) {
    for (BmpCompression compression : {BmpCompression::Rle8, BmpCompression::Rle4}) {
        for (uint8_t skip : {0, 2, 3}) {
            SCOPED_TRACE(std::string(compression == BmpCompression::Rle8 ? "RLE8" : "RLE4") +
                         ", skipping index " + std::to_string(skip));
            BmpSpec spec = Indexed(compression == BmpCompression::Rle8 ? 8 : 4, 13, 6);
            spec.compression = compression;
            spec.rle.skipIndex = skip;
            std::vector<Rgba> expected = spec.pixels;
            for (Rgba& c : expected) {
                if (c == kPalette[skip]) c = kPalette[0];
            }
            ExpectPixels(MakeBmp(spec), expected, spec.width, spec.height);
        }
    }
}

TEST(BitmapReader, RleEndingEarlyKeepsItsPixels) {
    for (BmpCompression compression : {BmpCompression::Rle8, BmpCompression::Rle4}) {
        const bool rle8 = compression == BmpCompression::Rle8;
        BmpSpec spec = Indexed(rle8 ? 8 : 4, 13, 5);
        spec.compression = compression;
        const auto rowsFrom = [&](int firstRow) {  // rows from firstRow down are defined
            std::vector<Rgba> expected = spec.pixels;
            std::fill(expected.begin(), expected.begin() + firstRow * spec.width, kPalette[0]);
            return expected;
        };
        {
            SCOPED_TRACE("end-of-bitmap after two rows");
            spec.rle.rowsToEncode = 2;
            ExpectPixels(MakeBmp(spec), rowsFrom(3), spec.width, spec.height);
        }
        {
            SCOPED_TRACE("stream stops without end-of-bitmap");
            spec.rle.writeEob = false;
            ExpectPixels(MakeBmp(spec), rowsFrom(3), spec.width, spec.height);
        }
        {
            SCOPED_TRACE("stream cut inside an absolute run");
            spec.rle = {.eolBeforeEob = false, .writeEob = false, .rowsToEncode = 1};
            std::vector<uint8_t> bytes = MakeBmp(spec);
            // The bottom row is a run of five, then an absolute run of eight; three bytes of
            // the latter go, leaving five of its pixels (RLE8) or two (RLE4).
            bytes.erase(bytes.end() - 3, bytes.end());
            const int defined = rle8 ? 10 : 7;
            std::vector<Rgba> expected(spec.pixels.size(), kPalette[0]);
            std::copy_n(spec.pixels.begin() + 4 * 13, defined, expected.begin() + 4 * 13);
            ExpectPixels(bytes, expected, spec.width, spec.height);
        }
    }
}

TEST(BitmapReader, HostileRleCodesStayInsideThePicture) {
    BmpSpec spec = Indexed(8, 4, 3);
    spec.compression = BmpCompression::Rle8;
    const std::vector<std::pair<const char*, std::vector<uint8_t>>> streams = {
        {"run past the row end", {20, 1, 0, 0, 2, 2, 0, 1}},
        {"delta past the bottom", {2, 1, 0, 2, 0, 200, 4, 3, 0, 1}},
        {"delta past the row end", {0, 2, 250, 0, 4, 3, 0, 0, 4, 2}},
        {"end-of-lines past the last row", {4, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4}},
        {"absolute run past the row end", {0, 7, 1, 2, 3, 4, 5, 6, 7, 0, 0, 1}},
        {"lone escape", {0}},
    };
    for (const auto& [name, stream] : streams) {
        SCOPED_TRACE(name);
        spec.rawData = stream;
        const LoadedBitmap loaded = Load(MakeBmp(spec));
        EXPECT_EQ(loaded.error, BitmapError::None);
    }
    // Clipped runs keep what fits in the row: first row of 4 red, then index 2 for two pixels.
    spec.rawData = std::vector<uint8_t>{20, 1, 0, 0, 2, 2, 0, 1};
    std::vector<Rgba> expected(12, kPalette[0]);
    std::fill(expected.begin() + 8, expected.end(), kPalette[1]);
    expected[4] = expected[5] = kPalette[2];
    ExpectPixels(MakeBmp(spec), expected, 4, 3);
}

struct MaskCase {
    const char* name;
    uint16_t bpp;
    uint32_t r, g, b, a;
};

TEST(BitmapReader, BitFieldsLoadExactly) {
    const MaskCase cases[] = {
        {"16 5-5-5", 16, 0x7C00, 0x03E0, 0x001F, 0},
        {"16 5-6-5", 16, 0xF800, 0x07E0, 0x001F, 0},
        {"16 4-4-4", 16, 0x0F00, 0x00F0, 0x000F, 0},
        {"16 5-6-5 blue high", 16, 0x001F, 0x07E0, 0xF800, 0},
        {"16 1-5-5-5 alpha", 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
        {"16 4-4-4-4 alpha", 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
        {"32 8-8-8", 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
        {"32 8-8-8-8", 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
        {"32 R-G-B-A high to low", 32, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF},
        {"32 10-10-10-2", 32, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
        {"32 10-10-10", 32, 0x000003FF, 0x000FFC00, 0x3FF00000, 0},
    };
    for (const MaskCase& c : cases) {
        for (uint32_t headerSize : {40u, 56u, 108u, 124u}) {
            for (bool topDown : {false, true}) {
                SCOPED_TRACE(std::string(c.name) + ", header " + std::to_string(headerSize) +
                             (topDown ? ", top-down" : ""));
                BmpSpec spec{.width = 5,
                             .height = 4,
                             .bpp = c.bpp,
                             .topDown = topDown,
                             .headerSize = headerSize,
                             .compression = c.a && headerSize == 40 ? BmpCompression::AlphaBitFields
                                                                    : BmpCompression::BitFields,
                             .pixels = Gradient(5, 4),
                             .redMask = c.r,
                             .greenMask = c.g,
                             .blueMask = c.b,
                             .alphaMask = c.a};
                std::vector<Rgba> expected;
                for (const Rgba& p : spec.pixels) {
                    expected.push_back(testsupport::QuantizeToMasks(p, c.r, c.g, c.b, c.a));
                }
                ExpectPixels(MakeBmp(spec), expected, spec.width, spec.height);
            }
        }
    }
}

TEST(BitmapReader, AlphaWithoutMeaningBecomesOpaque) {
    std::vector<Rgba> noAlpha = Gradient(6, 3);
    for (Rgba& c : noAlpha) c.a = 0;
    std::vector<Rgba> realAlpha = Gradient(6, 3);
    realAlpha[0].a = 0;  // one fully transparent pixel among others
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        SCOPED_TRACE("32-bit BI_RGB, every fourth byte 0");
        ExpectPixels(
            MakeBmp({.width = 6, .height = 3, .bpp = 32, .topDown = topDown, .pixels = noAlpha}),
            Opaque(noAlpha), 6, 3);
        SCOPED_TRACE("32-bit BI_RGB with real alpha");
        ExpectPixels(
            MakeBmp({.width = 6, .height = 3, .bpp = 32, .topDown = topDown, .pixels = realAlpha}),
            realAlpha, 6, 3);
        SCOPED_TRACE("V5 with an alpha mask, alpha all zero");
        ExpectPixels(MakeBmp({.width = 6,
                              .height = 3,
                              .bpp = 32,
                              .topDown = topDown,
                              .headerSize = 124,
                              .compression = BmpCompression::BitFields,
                              .pixels = noAlpha,
                              .redMask = 0xFF0000,
                              .greenMask = 0xFF00,
                              .blueMask = 0xFF,
                              .alphaMask = 0xFF000000}),
                     Opaque(noAlpha), 6, 3);
    }
}

TEST(BitmapReader, TopDownRowsLoadExactly) {
    for (uint16_t bpp : {1, 4, 8, 16, 24}) {
        SCOPED_TRACE(std::to_string(bpp) + " bpp");
        BmpSpec spec =
            bpp > 8 ? BmpSpec{.width = 7, .height = 4, .bpp = bpp, .pixels = Opaque(Gradient(7, 4))}
                    : Indexed(bpp);
        spec.topDown = true;
        std::vector<Rgba> expected;
        for (const Rgba& p : spec.pixels) {
            expected.push_back(bpp == 16 ? testsupport::QuantizeToMasks(p, 0x7C00, 0x3E0, 0x1F, 0)
                                         : p);
        }
        ExpectPixels(MakeBmp(spec), expected, spec.width, spec.height);
    }
    BmpSpec rle = Indexed(8);
    rle.compression = BmpCompression::Rle8;
    rle.topDown = true;
    ExpectRefused(MakeBmp(rle), BitmapError::NotABitmap);  // compressed rows cannot be top-down
}

// Large 24- and 32-bit pictures are read into memory of their own, not by FreeImage: the same
// pixels, whichever way up, with alpha, without it, and with the last row's padding missing.
TEST(BitmapReader, LargePlainRowsLoadExactly) {
    constexpr int kWidth = 1401, kHeight = 1000;  // more than 4 MiB, odd rows with padding
    for (const uint16_t bpp : {24, 32}) {
        for (const bool topDown : {false, true}) {
            for (const bool zeroAlpha : {false, true}) {
                if (bpp == 24 && zeroAlpha) continue;
                SCOPED_TRACE(std::to_string(bpp) + (topDown ? " top-down" : "") +
                             (zeroAlpha ? " alpha all 0" : ""));
                BmpSpec spec{.width = kWidth,
                             .height = kHeight,
                             .bpp = bpp,
                             .topDown = topDown,
                             .pixels = Gradient(kWidth, kHeight)};
                if (bpp == 24 || zeroAlpha) {
                    for (Rgba& p : spec.pixels) p.a = bpp == 24 ? 255 : 0;
                }
                std::vector<uint8_t> bytes = MakeBmp(spec);
                if (bpp == 24) bytes.resize(bytes.size() - 1);  // one byte of padding short
                std::vector<Rgba> expected = spec.pixels;
                if (zeroAlpha) expected = Opaque(expected);
                ExpectPixels(bytes, expected, kWidth, kHeight);
            }
        }
    }
}

TEST(BitmapReader, ResolutionAndEmbeddedProfileComeAlong) {
    std::vector<uint8_t> profile(200, 7);
    std::copy_n("acsp", 4, profile.begin() + 36);
    struct Case {
        const char* name;
        uint32_t csType, offsetShift, size;
        const char* signature;
        bool carried;
    };
    // A profile that is not where or what the header says is dropped; the picture still loads.
    const Case cases[] = {
        {"embedded", 0x4D424544, 0, 200, "acsp", true},
        {"linked", 0x4C494E4B, 0, 200, "acsp", false},
        {"past the end", 0x4D424544, 1, 200, "acsp", false},
        {"longer than the file", 0x4D424544, 0, 0xFFFFFFF0u, "acsp", false},
        {"too short", 0x4D424544, 0, 100, "acsp", false},
        {"no signature", 0x4D424544, 0, 200, "ACSP", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpSpec spec{.width = 3, .height = 2, .bpp = 24, .headerSize = 124};
        spec.pixels.assign(6, {1, 2, 3, 255});
        std::vector<uint8_t> bytes = MakeBmp(spec);
        const auto at = static_cast<uint32_t>(bytes.size() - 14);
        bytes.insert(bytes.end(), profile.begin(), profile.end());
        std::copy_n(c.signature, 4, bytes.end() - 200 + 36);
        PutLe32(bytes, 38, 11811);  // pixels per metre
        PutLe32(bytes, 42, 3780);
        PutLe32(bytes, 14 + 56, c.csType);
        PutLe32(bytes, 14 + 112, at + c.offsetShift * 200);
        PutLe32(bytes, 14 + 116, c.size);
        const LoadedBitmap loaded = Load(bytes);
        ASSERT_EQ(loaded.error, BitmapError::None);
        EXPECT_EQ(loaded.properties.xPixelsPerMetre, 11811);
        EXPECT_EQ(loaded.properties.yPixelsPerMetre, 3780);
        EXPECT_EQ(loaded.properties.iccProfile, c.carried ? profile : std::vector<uint8_t>{});
    }
}

TEST(BitmapReader, TruncatedFilesFail) {
    for (uint16_t bpp : {1, 8, 16, 24, 32}) {
        SCOPED_TRACE(std::to_string(bpp) + " bpp");
        const BmpSpec spec =
            bpp <= 8 ? Indexed(bpp, 13, 6)
                     : BmpSpec{.width = 13, .height = 6, .bpp = bpp, .pixels = Gradient(13, 6)};
        std::vector<uint8_t> bytes = MakeBmp(spec);
        const size_t stride = (13u * bpp + 31) / 32 * 4;
        const size_t rowBytes = (13u * bpp + 7) / 8;
        {
            SCOPED_TRACE("last row without its padding still loads");
            std::vector<uint8_t> unpadded(bytes.begin(), bytes.end() - (stride - rowBytes));
            EXPECT_EQ(Load(unpadded).error, BitmapError::None);
        }
        for (size_t cut : {stride - rowBytes + 1, stride, bytes.size() / 2, bytes.size() - 20}) {
            SCOPED_TRACE("cut by " + std::to_string(cut) + " of " + std::to_string(bytes.size()));
            ExpectRefused({bytes.begin(), bytes.end() - cut}, BitmapError::Truncated);
        }
    }
    const std::vector<uint8_t> bytes = MakeBmp(Indexed(8));
    for (size_t length : {size_t{17}, size_t{30}, size_t{54 + 100}}) {
        SCOPED_TRACE("header or palette cut at " + std::to_string(length));
        ExpectRefused({bytes.begin(), bytes.begin() + length}, BitmapError::Truncated);
    }
}

TEST(BitmapReader, NonsenseHeadersAreRefused) {
    const std::vector<uint8_t> rgb = MakeBmp({.width = 4, .height = 4, .pixels = Gradient(4, 4)});
    const std::vector<uint8_t> bitfields = MakeBmp({.width = 4,
                                                    .height = 4,
                                                    .bpp = 16,
                                                    .compression = BmpCompression::BitFields,
                                                    .pixels = Gradient(4, 4),
                                                    .redMask = 0xF800,
                                                    .greenMask = 0x7E0,
                                                    .blueMask = 0x1F});
    using testsupport::kBiBitCountOffset, testsupport::kBiCompressionOffset;
    std::vector<uint8_t> bpp7 = rgb;
    PutLe16(bpp7, kBiBitCountOffset, 7);
    std::vector<uint8_t> rle8With24 = WithField32(rgb, kBiCompressionOffset, 1);
    const std::vector<std::tuple<const char*, std::vector<uint8_t>, BitmapError>> cases = {
        {"empty", {}, BitmapError::NotABitmap},
        {"not a bitmap",
         {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         BitmapError::NotABitmap},
        {"header size 0", WithField32(rgb, testsupport::kBiSizeOffset, 0), BitmapError::NotABitmap},
        {"header size 200", WithField32(rgb, testsupport::kBiSizeOffset, 200),
         BitmapError::NotABitmap},
        {"width 0", WithField32(rgb, testsupport::kBiWidthOffset, 0), BitmapError::NotABitmap},
        {"negative width", WithField32(rgb, testsupport::kBiWidthOffset, 0xFFFFFFFC),
         BitmapError::NotABitmap},
        {"height 0", WithField32(rgb, testsupport::kBiHeightOffset, 0), BitmapError::NotABitmap},
        {"height INT_MIN", WithField32(rgb, testsupport::kBiHeightOffset, 0x80000000),
         BitmapError::NotABitmap},
        {"7 bits per pixel", bpp7, BitmapError::NotABitmap},
        {"RLE8 with 24 bpp", rle8With24, BitmapError::NotABitmap},
        {"unknown compression", WithField32(rgb, kBiCompressionOffset, 99),
         BitmapError::NotABitmap},
        {"JPEG inside", WithField32(rgb, kBiCompressionOffset, 4), BitmapError::Unsupported},
        {"PNG inside", WithField32(rgb, kBiCompressionOffset, 5), BitmapError::Unsupported},
        {"overlapping masks", WithField32(bitfields, 58, 0xFC00), BitmapError::NotABitmap},
        {"mask with a gap", WithField32(bitfields, 54, 0xF100), BitmapError::NotABitmap},
        {"mask past 16 bits", WithField32(bitfields, 54, 0x1F0000), BitmapError::NotABitmap},
        {"bit fields at 24 bpp", WithField32(rgb, kBiCompressionOffset, 3),
         BitmapError::NotABitmap},
    };
    for (const auto& [name, bytes, error] : cases) {
        SCOPED_TRACE(name);
        ExpectRefused(bytes, error);
    }
}

// A header whose pixels are never there: only the checks may look at it.
std::vector<uint8_t> HugeHeader(uint32_t width, uint32_t height, uint16_t bpp,
                                BmpCompression compression, size_t dataBytes) {
    BmpSpec spec{.width = 1,
                 .height = 1,
                 .bpp = bpp,
                 .compression = compression,
                 .rawData = std::vector<uint8_t>(dataBytes, 0)};
    if (bpp <= 8) spec.palette = FullPalette(bpp);
    std::vector<uint8_t> bytes = MakeBmp(spec);
    PutLe32(bytes, testsupport::kBiWidthOffset, width);
    PutLe32(bytes, testsupport::kBiHeightOffset, height);
    return bytes;
}

TEST(BitmapReader, OversizedAndOverflowingDimensionsAreRefusedQuickly) {
    {
        SCOPED_TRACE("crash-rle4-65536x65537: integer overflow in the RLE4 buffer");
        const std::vector<uint8_t> bytes = HugeHeader(65536, 65537, 4, BmpCompression::Rle4, 4);
        ASSERT_EQ(bytes.size(), 122u);
        ExpectRefused(bytes, BitmapError::TooLarge);
    }
    {
        SCOPED_TRACE("bomb-60000x60000: gigabytes allocated for a 70-byte file");
        const std::vector<uint8_t> bytes = HugeHeader(60000, 60000, 24, BmpCompression::Rgb, 16);
        ASSERT_EQ(bytes.size(), 70u);
        ExpectRefused(bytes, BitmapError::TooLarge);
    }
    const std::vector<std::tuple<const char*, uint32_t, uint32_t, uint16_t>> sizes = {
        {"2^31-1 square", 0x7FFFFFFF, 0x7FFFFFFF, 32},
        {"top-down 2^31-1 square", 0x7FFFFFFF, 0x80000001, 24},
        {"a gigapixel", 32768, 32768, 8},
        {"side over 2^24", (1u << 24) + 1, 1, 1},
        {"width times bits overflows 32 bits", 0x08000001, 1, 32},
    };
    for (const auto& [name, width, height, bpp] : sizes) {
        SCOPED_TRACE(name);
        ExpectRefused(HugeHeader(width, height, bpp, BmpCompression::Rgb, 64),
                      BitmapError::TooLarge);
    }
    {
        SCOPED_TRACE("OS/2 1.x 65535 x 65535");
        BmpSpec spec = Indexed(8, 2, 2);
        spec.headerSize = 12;
        std::vector<uint8_t> bytes = MakeBmp(spec);
        PutLe16(bytes, 18, 65535);
        PutLe16(bytes, 20, 65535);
        ExpectRefused(bytes, BitmapError::TooLarge);
    }
    {
        SCOPED_TRACE("limits are honoured");
        const BmpSpec spec{.width = 10, .height = 10, .pixels = Gradient(10, 10)};
        EXPECT_EQ(Load(MakeBmp(spec), {.maxPixels = 100}).error, BitmapError::None);
        ExpectRefused(MakeBmp(spec), BitmapError::TooLarge, {.maxPixels = 99});
        ExpectRefused(MakeBmp(spec), BitmapError::TooLarge, {.maxBytes = 399});
    }
}

class BitmapFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/pictorb-bmp-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_;
};

TEST_F(BitmapFileTest, LoadsFromDiskAndReportsUnreadableFiles) {
    const BmpSpec spec{.width = 300,
                       .height = 200,
                       .bpp = 16,
                       .compression = BmpCompression::AlphaBitFields,
                       .pixels = Gradient(300, 200),
                       .redMask = 0xF00,
                       .greenMask = 0xF0,
                       .blueMask = 0xF,
                       .alphaMask = 0xF000};
    testsupport::WriteFile(Path("a.bmp"), MakeBmp(spec));
    const LoadedBitmap loaded = LoadBitmapFile(Path("a.bmp"));
    ASSERT_EQ(loaded.error, BitmapError::None);
    const std::vector<Rgba> actual = ReadPixels(loaded.image);
    for (size_t i = 0; i < actual.size(); ++i) {
        ASSERT_EQ(actual[i],
                  testsupport::QuantizeToMasks(spec.pixels[i], 0xF00, 0xF0, 0xF, 0xF000));
    }
    EXPECT_EQ(LoadBitmapFile(Path("missing.bmp")).error, BitmapError::Unreadable);
    // Neither a folder nor a FIFO without a writer is waited for.
    EXPECT_EQ(LoadBitmapFile(dir_).error, BitmapError::NotAFile);
    ASSERT_EQ(mkfifo(Path("fifo.bmp").c_str(), 0600), 0);
    EXPECT_EQ(LoadBitmapFile(Path("fifo.bmp")).error, BitmapError::NotAFile);
    EXPECT_FALSE(ReadBitmapSize(Path("fifo.bmp")).has_value());
    testsupport::WriteFile(Path("empty.bmp"), {});
    EXPECT_EQ(LoadBitmapFile(Path("empty.bmp")).error, BitmapError::NotABitmap);
}

bool HaveCommand(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// A small picture as a PAM file (RGBA), the source the image tools convert from.
void WritePam(const std::string& path, int width, int height, const std::vector<Rgba>& pixels) {
    std::string header = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " +
                         std::to_string(height) +
                         "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (const Rgba& c : pixels) bytes.insert(bytes.end(), {c.r, c.g, c.b, c.a});
    testsupport::WriteFile(path, bytes);
}

// Bitmaps as other programs write them by default must load with exact pixels.
TEST_F(BitmapFileTest, ImageMagickAndGraphicsMagickBitmapsLoadExactly) {
    const int width = 37, height = 11;
    const std::vector<Rgba> opaque = Opaque(Gradient(width, height));
    const std::vector<Rgba> indexed = Pattern(width, height, kPalette);
    const std::vector<Rgba> translucent = Gradient(width, height);
    struct Case {
        const char* tool;  // the program, followed by its convert command
        const char* name;
        std::vector<Rgba> pixels;
        std::string options;
        std::string format;  // output prefix such as "BMP2:"
    };
    const Case cases[] = {
        {"convert", "default (V5, 24 bpp)", opaque, "-alpha off", ""},
        {"convert", "default with alpha (V5 bit fields)", translucent, "", ""},
        {"convert", "RLE8", indexed, "-alpha off -type Palette -compress RLE", ""},
        {"convert", "BMP3 8 bpp", indexed, "-alpha off -type Palette", "BMP3:"},
        {"convert", "BMP2 (12-byte header)", indexed, "-alpha off -type Palette", "BMP2:"},
        {"gm", "default 24 bpp", opaque, "+matte", ""},
        {"gm", "default with alpha (V4 bit fields)", translucent, "", ""},
        {"gm", "RLE8", indexed, "+matte -type Palette -compress RLE", ""},
        {"gm", "BMP2 (12-byte header)", indexed, "+matte -type Palette", "BMP2:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tool) + ": " + c.name);
        if (!HaveCommand(c.tool)) {
            ADD_FAILURE() << c.tool << " is not installed (scripts/setup.sh installs it)";
            continue;
        }
        WritePam(Path("in.pam"), width, height, c.pixels);
        const std::string command =
            std::string(c.tool) + (c.tool == std::string("gm") ? " convert " : " ") +
            Path("in.pam") + " " + c.options + " " + c.format + Path("out.bmp");
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const LoadedBitmap loaded = LoadBitmapFile(Path("out.bmp"));
        ASSERT_EQ(loaded.error, BitmapError::None) << BitmapErrorName(loaded.error);
        EXPECT_EQ(ReadPixels(loaded.image), c.pixels);
    }
}

}  // namespace
}  // namespace pictorb
