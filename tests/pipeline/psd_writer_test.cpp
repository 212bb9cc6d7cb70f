#include "pipeline/psd_writer.h"

#include <IL/il.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/naming.h"
#include "pipeline/psd_planes.h"
#include "platform/output_file.h"
#include "support/psd_sections.h"

namespace pictorb {
namespace {

using testsupport::DecodePsd;
using testsupport::PsdChannels;
using testsupport::SplitPsd;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every stored byte differs from its neighbours, so a swapped channel, a flipped row or a
// lost padding byte shows.
void FillBytes(FIBITMAP* dib) {
    const unsigned height = FreeImage_GetHeight(dib);
    const unsigned line = FreeImage_GetLine(dib);
    for (unsigned y = 0; y < height; ++y) {
        BYTE* bytes = FreeImage_GetScanLine(dib, static_cast<int>(y));
        for (unsigned i = 0; i < line; ++i) bytes[i] = static_cast<BYTE>(i * 7 + y * 13 + (i ^ y));
    }
}

struct Variant {
    const char* name;
    FREE_IMAGE_TYPE type;
    unsigned width, height, bpp;
    unsigned redMask = 0, greenMask = 0, blueMask = 0;
    int transparentColours = 0;  // entries of the transparency table
    bool transparencyOff = false;
};

Image MakePicture(const Variant& v) {
    Image image(FreeImage_AllocateT(v.type, static_cast<int>(v.width), static_cast<int>(v.height),
                                    static_cast<int>(v.bpp), v.redMask, v.greenMask, v.blueMask));
    FillBytes(image.get());
    if (RGBQUAD* palette = FreeImage_GetPalette(image.get())) {
        const unsigned colours = FreeImage_GetColorsUsed(image.get());
        for (unsigned i = 0; i < colours; ++i) {
            palette[i] = RGBQUAD{static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i),
                                 static_cast<BYTE>(i * 11 + 5), 0};
        }
    }
    if (v.transparentColours > 0) {
        std::vector<BYTE> table(static_cast<std::size_t>(v.transparentColours));
        for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<BYTE>(i * 37);
        FreeImage_SetTransparencyTable(image.get(), table.data(), v.transparentColours);
        if (v.transparencyOff) FreeImage_SetTransparent(image.get(), FALSE);
    }
    return image;
}

struct Rgba {
    uint8_t r, g, b, a;
};

// A 32-bit picture from straight colours, top row first.
Image PictureOf(unsigned width, unsigned height, const std::vector<Rgba>& rgba) {
    Image image(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 32));
    for (unsigned i = 0; i < rgba.size(); ++i) {
        BYTE* p = FreeImage_GetScanLine(image.get(), static_cast<int>(height - 1 - i / width)) +
                  4 * (i % width);
        p[FI_RGBA_RED] = rgba[i].r;
        p[FI_RGBA_GREEN] = rgba[i].g;
        p[FI_RGBA_BLUE] = rgba[i].b;
        p[FI_RGBA_ALPHA] = rgba[i].a;
    }
    return image;
}

// The merged colour readers expect of a transparent document: matted against white.
uint8_t Matted(uint8_t colour, uint8_t alpha) {
    return static_cast<uint8_t>((colour * alpha + 255 * (255 - alpha) + 127) / 255);
}

// The planes red, green, blue, alpha of a picture, as FreeImage's 32-bit conversion gives them.
std::vector<std::string> ExpectedPlanes(FIBITMAP* dib) {
    Image converted(FreeImage_ConvertTo32Bits(dib));
    const unsigned width = converted.Width();
    const unsigned height = converted.Height();
    std::vector<std::string> planes(4);
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* p = FreeImage_GetScanLine(converted.get(), static_cast<int>(height - 1 - y));
        for (unsigned x = 0; x < width; ++x, p += 4) {
            const BYTE values[] = {p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE],
                                   p[FI_RGBA_ALPHA]};
            for (int c = 0; c < 4; ++c) planes[c].push_back(static_cast<char>(values[c]));
        }
    }
    return planes;
}

class PsdWriterTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ilInit(); }
    void SetUp() override {
        char pattern[] = "/tmp/pictorb-psd-XXXXXX";
        folder_ = mkdtemp(pattern);
    }
    void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

    // What the straightforward way writes: FreeImage's 32-bit conversion exported blue-first
    // and bottom-up, handed to DevIL as it is and saved with its own file functions.
    std::string PlainSave(FIBITMAP* dib) {
        Image converted(FreeImage_ConvertTo32Bits(dib));
        if (!converted) return "no 32-bit conversion";
        const unsigned width = converted.Width();
        const unsigned height = converted.Height();
        std::vector<BYTE> buffer(std::size_t{width} * height * 4);
        FreeImage_ConvertToRawBits(buffer.data(), converted.get(), static_cast<int>(width * 4), 32,
                                   FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE);
        const std::string path = folder_ + "/plain.psd";
        ILuint name = 0;
        ilGenImages(1, &name);
        ilBindImage(name);
        ilTexImage(width, height, ilGetInteger(IL_IMAGE_DEPTH), 4, IL_BGRA, IL_UNSIGNED_BYTE,
                   buffer.data());
        ilEnable(IL_FILE_OVERWRITE);
        EXPECT_TRUE(ilSave(IL_PSD, path.c_str()));
        ilDeleteImages(1, &name);
        return ReadBytes(path);
    }

    // The document of `picture`; empty when it was not written.
    std::string Write(const Image& picture, const DocumentOptions& options = {},
                      const DocumentInfo& info = {}) {
        const std::string path = folder_ + "/written.psd";
        std::remove(path.c_str());
        if (WritePsd(picture, info, options, path, TempPath()) != WriteResult::Ok) return {};
        return ReadBytes(path);
    }

    std::string TempPath() const { return folder_ + "/pictorbtemp.psd"; }

    std::string folder_;
};

TEST_F(PsdWriterTest, KeepsThePlainSavesLayoutAndPixels) {
    // Heights above 64 rows cross the bands the picture is read in; the widest rows make
    // bands of a single row.
    const Variant variants[] = {
        {"32-bit with alpha", FIT_BITMAP, 17, 5, 32},
        {"32-bit 1x1", FIT_BITMAP, 1, 1, 32},
        {"24-bit, padded rows", FIT_BITMAP, 63, 70, 24},
        {"24-bit, many bands", FIT_BITMAP, 1024, 611, 24},
        {"24-bit, one row per band", FIT_BITMAP, 29999, 3, 24},
        {"16-bit 5-5-5", FIT_BITMAP, 9, 130, 16, FI16_555_RED_MASK, FI16_555_GREEN_MASK,
         FI16_555_BLUE_MASK},
        {"16-bit 5-6-5", FIT_BITMAP, 9, 3, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK,
         FI16_565_BLUE_MASK},
        {"8-bit palette", FIT_BITMAP, 3, 200, 8},
        {"8-bit with transparency", FIT_BITMAP, 31, 129, 8, 0, 0, 0, 40},
        {"8-bit, transparency off", FIT_BITMAP, 5, 7, 8, 0, 0, 0, 40, true},
        {"4-bit odd width", FIT_BITMAP, 7, 66, 4},
        {"4-bit with transparency", FIT_BITMAP, 5, 3, 4, 0, 0, 0, 9},
        {"1-bit", FIT_BITMAP, 13, 65, 1},
        {"1-bit with transparency", FIT_BITMAP, 40, 2, 1, 0, 0, 0, 1},
        {"16 bits per channel", FIT_RGBA16, 6, 80, 64},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        Image picture = MakePicture(v);
        ASSERT_TRUE(picture);
        const std::string expected = PlainSave(picture.get());
        const std::string written = Write(picture);
        const std::optional<testsupport::PsdSections> sections = SplitPsd(written);
        ASSERT_TRUE(sections);
        // Opaque pictures stay flat and equal DevIL's document; others get a layer with
        // DevIL's planes, alpha first, and the merged image matted on white.
        const std::size_t planeSize = std::size_t{v.width} * v.height;
        const std::string alpha = expected.substr(expected.size() - planeSize);
        const bool opaque = alpha.find_first_not_of('\xFF') == std::string::npos;
        EXPECT_EQ(sections->layerCount, opaque ? 0 : -1);
        if (opaque) {
            EXPECT_TRUE(testsupport::WithoutResources(*sections) == expected);
            continue;
        }
        EXPECT_EQ(sections->header, expected.substr(0, 26));
        const std::optional<PsdChannels> channels = DecodePsd(written);
        ASSERT_TRUE(channels && channels->layer);
        const std::vector<std::pair<int, std::string>>& layer = channels->layer->channels;
        ASSERT_EQ(layer.size(), 4u);
        for (int c = 0; c < 4; ++c) {
            const std::string plane =
                expected.substr(expected.size() - (4 - c) * planeSize, planeSize);
            EXPECT_EQ(layer[(c + 1) % 4], std::make_pair(c == 3 ? -1 : c, plane));
            std::string matted = plane;
            for (std::size_t i = 0; c < 3 && i < planeSize; ++i)
                matted[i] = static_cast<char>(Matted(plane[i], alpha[i]));
            EXPECT_TRUE(channels->merged[c] == matted) << "merged channel " << c;
        }
    }
}

TEST_F(PsdWriterTest, MergedImageOfATransparentPictureIsMattedOnWhite) {
    const Image picture = PictureOf(5, 1,
                                    {{52, 0, 0, 128},
                                     {200, 100, 50, 0},
                                     {10, 20, 30, 64},
                                     {255, 128, 0, 255},
                                     {0, 255, 1, 127}});
    for (const psd::Compression compression : {psd::Compression::Raw, psd::Compression::Rle}) {
        SCOPED_TRACE(static_cast<int>(compression));
        const std::optional<PsdChannels> written = DecodePsd(Write(picture, {compression}));
        ASSERT_TRUE(written && written->layer);
        // c x a / 255 + 255 x (1 - a / 255), rounded; fully transparent pixels are white.
        const std::vector<std::string> merged = {
            std::string("\x99\xFF\xC2\xFF\x80", 5), std::string("\x7F\xFF\xC4\x80\xFF", 5),
            std::string("\x7F\xFF\xC7\x00\x80", 5), std::string("\x80\x00\x40\xFF\x7F", 5)};
        EXPECT_EQ(written->merged, merged);
        // The layer keeps the colours as they are.
        EXPECT_EQ(written->layer->channels[1].second, std::string("\x34\xC8\x0A\xFF\x00", 5));
        EXPECT_EQ(written->layer->channels[0].second, merged[3]);
    }
}

TEST_F(PsdWriterTest, LegacyLayerNameIsAsciiTheUnicodeNameExact) {
    const Image sprite = PictureOf(1, 1, {{1, 2, 3, 4}});
    struct Case {
        std::string name;    // UTF-8
        std::string legacy;  // the Pascal string
        std::u16string unicode;
    };
    const Case cases[] = {
        {"Sprit\xC3\xA9 \xE7\x94\xBB", "Sprit_ _", u"Sprit\u00E9 \u753B"},
        {"a\tb\xF0\x9F\x98\x80z", "a_b_z", u"a\tb\U0001F600z"},
        {std::string(300, 'x'), std::string(255, 'x'), std::u16string(300, u'x')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legacy);
        DocumentInfo info;
        info.layerName = c.name;
        const std::optional<PsdChannels> written = DecodePsd(Write(sprite, {}, info));
        ASSERT_TRUE(written && written->layer);
        EXPECT_EQ(written->layer->legacyName, c.legacy);
        EXPECT_TRUE(written->layer->unicodeName == c.unicode);
    }
}

// Pictures of every shape the writer meets, with and without compression and alpha, read
// back by FreeImage (the merged image) and by the tests' own reader (every channel).
TEST_F(PsdWriterTest, EveryShapeReadsBackTheSame) {
    const Variant shapes[] = {
        {"opaque", FIT_BITMAP, 40, 30, 24},
        {"transparent", FIT_BITMAP, 33, 21, 32},
        {"1 x 1 transparent", FIT_BITMAP, 1, 1, 32},
        {"odd width", FIT_BITMAP, 7, 3, 24},
        {"palette with transparency", FIT_BITMAP, 9, 130, 8, 0, 0, 0, 40},
        {"large format", FIT_BITMAP, 30001, 2, 32},
    };
    for (const Variant& shape : shapes) {
        Image picture = MakePicture(shape);
        // Long runs too, so that packed rows use repeats as well as literals.
        for (unsigned y = 0; y < shape.height; y += 2) {
            BYTE* row = FreeImage_GetScanLine(picture.get(), static_cast<int>(y));
            std::fill(row, row + FreeImage_GetLine(picture.get()) / 2, BYTE{0x80});
        }
        const std::vector<std::string> planes = ExpectedPlanes(picture.get());
        const bool transparent = planes[3].find_first_not_of('\xFF') != std::string::npos;
        for (const psd::Compression compression : {psd::Compression::Raw, psd::Compression::Rle}) {
            for (const AlphaChannel alpha : {AlphaChannel::Always, AlphaChannel::Auto}) {
                SCOPED_TRACE(std::string(shape.name) +
                             (compression == psd::Compression::Rle ? ", RLE" : ", raw") +
                             (alpha == AlphaChannel::Auto ? ", auto alpha" : ""));
                const std::string path = folder_ + "/shape.psd";
                std::remove(path.c_str());
                ASSERT_EQ(WritePsd(picture, {}, {compression, alpha}, path, TempPath()),
                          WriteResult::Ok);
                const std::optional<PsdChannels> written = DecodePsd(ReadBytes(path));
                ASSERT_TRUE(written);
                EXPECT_EQ(written->compression, static_cast<int>(compression));
                const bool withAlpha = transparent || alpha == AlphaChannel::Always;
                ASSERT_EQ(written->merged.size(), withAlpha ? 4u : 3u);
                std::vector<std::string> merged = planes;
                for (int c = 0; c < 3 && transparent; ++c) {
                    for (std::size_t i = 0; i < merged[c].size(); ++i)
                        merged[c][i] = static_cast<char>(Matted(planes[c][i], planes[3][i]));
                }
                if (!withAlpha) merged.pop_back();
                EXPECT_TRUE(written->merged == merged);
                EXPECT_EQ(written->layer.has_value(), transparent);
                if (written->layer) {
                    EXPECT_EQ(written->layer->compression, static_cast<int>(compression));
                    EXPECT_EQ(written->layer->bottom, static_cast<int32_t>(shape.height));
                    EXPECT_EQ(written->layer->right, static_cast<int32_t>(shape.width));
                    for (int c = 0; c < 4; ++c)
                        EXPECT_TRUE(written->layer->channels[(c + 1) % 4].second == planes[c]);
                }

                Image back(FreeImage_Load(FIF_PSD, path.c_str(), 0));
                ASSERT_TRUE(back);
                const std::vector<std::string> read = ExpectedPlanes(back.get());
                for (std::size_t c = 0; c < merged.size(); ++c)
                    EXPECT_TRUE(read[c] == merged[c]) << "FreeImage, channel " << c;
            }
        }
    }
}

TEST_F(PsdWriterTest, SectionsHoldResolutionProfileAndTheLayer) {
    DocumentInfo info;
    info.properties.xPixelsPerMetre = 11811;
    info.properties.yPixelsPerMetre = 3780;
    info.properties.iccProfile = {1, 2, 3};  // odd: the resource is padded
    info.layerName = "Sprite";
    struct Case {
        unsigned width, height, bpp;
        int version, layerCount;
    };
    // 3 x 3 has odd planes, so the layer section needs its padding byte.
    const Case cases[] = {{3, 3, 24, 1, 0}, {3, 3, 32, 1, -1}, {30001, 1, 32, 2, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.bpp));
        const Variant v{"", FIT_BITMAP, c.width, c.height, c.bpp};
        for (const psd::Compression compression : {psd::Compression::Raw, psd::Compression::Rle}) {
            const auto sections = SplitPsd(Write(MakePicture(v), {compression}, info));
            ASSERT_TRUE(sections);
            EXPECT_EQ(sections->version, c.version);
            EXPECT_EQ(sections->layerCount, c.layerCount);
            EXPECT_EQ(testsupport::PsdResource(*sections, 1005),
                      std::string("\x01\x2C\0\0\0\1\0\1\0\x60\0\0\0\1\0\1", 16));
            EXPECT_EQ(testsupport::PsdResource(*sections, 1039), std::string("\1\2\3"));
            EXPECT_EQ(sections->layers.size() % 2, 0u);
        }
    }
}

TEST(PsdLayoutTest, ResolutionInPixelsPerInch) {
    struct Case {
        int32_t perMetre;
        double perInch;
    };
    // Whole dots per inch as bitmap writers round them; others are kept to the 1/65536.
    const Case cases[] = {{11811, 300},  {3780, 96}, {2835, 72},  {5906, 150},       {1, 0.0254},
                          {4000, 101.6}, {0, 72},    {-3780, 72}, {INT32_MAX, 32767}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.perMetre);
        EXPECT_NEAR(FixedPixelsPerInch(c.perMetre) / 65536.0, c.perInch, 1.0 / 65536);
    }
}

TEST(PsdLayoutTest, FormatAndExtensionFollowTheLongerSide) {
    struct Case {
        uint64_t width, height;
        DocumentFormat format;
        const char* extension;
    };
    const Case cases[] = {{30000, 30000, DocumentFormat::Psd, "psd"},
                          {30001, 1, DocumentFormat::Psb, "psb"},
                          {1, 30001, DocumentFormat::Psb, "psb"},
                          {300000, 2, DocumentFormat::Psb, "psb"},
                          {2, 300001, DocumentFormat::TooLarge, "psb"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(DocumentFormatFor(c.width, c.height), c.format);
        MaskValues values;
        values.outputFormatKey = "psd";
        values.width = static_cast<int32_t>(c.width);
        values.height = static_cast<int32_t>(c.height);
        EXPECT_EQ(OutputExtension(values), c.extension);
        EXPECT_EQ(ReplaceMaskToken("a.%EXT[U]%", "%ext[u]%", values),
                  std::string("a.") + (c.extension[2] == 'b' ? "PSB" : "PSD"));
    }
}

TEST(PsdPackBits, RowsUnpackToThemselvesWithinTheBound) {
    std::string noise;
    for (int i = 0; i < 1000; ++i) noise.push_back(static_cast<char>(i * 97 + (i >> 3)));
    const std::string rows[] = {
        "x",
        "xx",
        "xxx",
        std::string(128, 'a'),
        std::string(129, 'a'),
        std::string(130, 'a'),
        std::string(300, 'b') + "cd" + std::string(2, 'e') + "f",
        noise.substr(0, 128),
        noise.substr(0, 129),
        noise,
        "ab" + std::string(3, 'c') + noise.substr(0, 200) + std::string(1000, '\0'),
    };
    for (const std::string& row : rows) {
        SCOPED_TRACE(row.size());
        std::vector<uint8_t> packed(psd::MaxPackedSize(row.size()));
        const std::size_t size = psd::PackBits(
            {reinterpret_cast<const uint8_t*>(row.data()), row.size()}, packed.data());
        ASSERT_LE(size, packed.size());
        EXPECT_EQ(testsupport::UnpackBits({reinterpret_cast<const char*>(packed.data()), size},
                                          row.size()),
                  row);
    }
    // Runs cost two bytes each.
    std::vector<uint8_t> packed(psd::MaxPackedSize(1280));
    EXPECT_EQ(psd::PackBits(std::vector<uint8_t>(1280, 7), packed.data()), 20u);
}

TEST(PsdBigEndian, LengthsTheVersionCannotHoldAreRefused) {
    struct Case {
        psd::Version version;
        uint64_t length, rowCount;
        const char* bytes;  // nullptr: refused
    };
    const Case cases[] = {
        {psd::Version::Psd, UINT32_MAX, UINT16_MAX, "\xFF\xFF\xFF\xFF\xFF\xFF"},
        {psd::Version::Psd, uint64_t{1} << 32, 1, nullptr},
        {psd::Version::Psd, 1, 65536, nullptr},
        {psd::Version::Psb, uint64_t{1} << 32, 65536, "\0\0\0\x01\0\0\0\0\0\x01\0\0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.length) + ", " + std::to_string(c.rowCount));
        psd::BigEndian out(c.version);
        out.Length(c.length);
        out.RowCount(c.rowCount);
        EXPECT_EQ(out.Refused(), c.bytes == nullptr);
        if (c.bytes != nullptr) {
            const std::size_t size = c.version == psd::Version::Psb ? 12 : 6;
            EXPECT_EQ(out.Bytes(), std::string(c.bytes, size));
        }
    }
}

TEST_F(PsdWriterTest, AShortWriteFailsAndLeavesNothing) {
    // Run in a child so that the file-size limit does not touch the test process. Both ways of
    // writing: an unnamed file, and the named temporary file where those are refused.
    const std::string path = folder_ + "/limited.psd";
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            AllowUnnamedFiles(unnamed);
            const Image picture(FreeImage_Allocate(200, 200, 24));
            const WriteResult result = WritePsd(picture, {}, {}, path, TempPath());
            _exit(result == WriteResult::WriteFailed ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_NE(access(path.c_str(), F_OK), 0);
        EXPECT_NE(access(TempPath().c_str(), F_OK), 0);
    }
}

// A bitmap with its sizes but without pixels: a 1-bit file header loaded header-only.
Image HeaderOnly(uint32_t width, uint32_t height) {
    std::vector<BYTE> file(14 + 40 + 8, 0);
    const auto put32 = [&file](std::size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<BYTE>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 14 + 40 + 8);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1;  // planes
    file[28] = 1;  // bits per pixel
    FIMEMORY* memory = FreeImage_OpenMemory(file.data(), static_cast<DWORD>(file.size()));
    Image image(FreeImage_LoadFromMemory(FIF_BMP, memory, FIF_LOAD_NOPIXELS));
    FreeImage_CloseMemory(memory);
    return image;
}

TEST_F(PsdWriterTest, RefusesPicturesItCannotWriteBeforeAnyFileExists) {
    const std::string path = folder_ + "/none.psd";
    EXPECT_EQ(WritePsd(Image(), {}, {}, path, TempPath()), WriteResult::OutOfMemory);
    EXPECT_EQ(WritePsd(HeaderOnly(16, 16), {}, {}, path, TempPath()), WriteResult::OutOfMemory);
    EXPECT_EQ(WritePsd(Image(FreeImage_Allocate(300001, 1, 8)), {}, {}, path, TempPath()),
              WriteResult::TooLarge);
    EXPECT_NE(access(path.c_str(), F_OK), 0);
    EXPECT_NE(access(TempPath().c_str(), F_OK), 0);
}

}  // namespace
}  // namespace pictorb
