// What the document keeps of the bitmap besides its pixels, read back with other programs:
// resolution, colour profile, transparency as a layer, and the large document format.

#include <unistd.h>

#include <sstream>

#include "e2e/harness.h"
#include "support/psd_sections.h"

namespace pictorb::e2e {
namespace {

using testsupport::BmpSpec;
using testsupport::PutLe32;

// Runs an outside reader; nullopt when it is not installed or fails.
std::optional<std::string> RunTool(const std::string& program, std::vector<std::string> args) {
    if (access(program.c_str(), X_OK) != 0) return std::nullopt;
    test::ChildOptions options;
    options.program = program;
    options.args = std::move(args);
    const test::ChildResult result = test::RunChild(options);
    if (!result.exited || result.exitCode != 0) return std::nullopt;
    return result.out;
}

std::optional<std::string> ImageMagick(const std::string& tool, std::vector<std::string> args) {
    return RunTool("/usr/bin/" + tool, std::move(args));
}

// psd-tools (python3-psd-tools) is heavy and not set up by default: its checks skip without it.
bool HavePsdTools() {
    static const bool have = RunTool("/usr/bin/python3", {"-c", "import psd_tools"}).has_value();
    return have;
}

std::optional<std::string> PsdTools(const std::string& script,
                                    const std::vector<std::string>& paths) {
    std::vector<std::string> args = {"-c", "import sys\nfrom psd_tools import PSDImage\n" + script};
    args.insert(args.end(), paths.begin(), paths.end());
    return RunTool("/usr/bin/python3", std::move(args));
}

std::string RgbaBytes(const std::vector<Rgba>& pixels) {
    std::string bytes;
    for (const Rgba& p : pixels) bytes += {char(p.r), char(p.g), char(p.b), char(p.a)};
    return bytes;
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    for (const char c : bytes) {
        hex.push_back("0123456789abcdef"[static_cast<uint8_t>(c) >> 4]);
        hex.push_back("0123456789abcdef"[static_cast<uint8_t>(c) & 15]);
    }
    return hex;
}

// A sprite: clear corners, half-transparent edges, an opaque middle.
BmpSpec SpriteSpec() {
    BmpSpec spec = TrueColourSpec(7, 5, 32);
    spec.headerSize = 124;  // version 5, with an alpha mask
    spec.alphaMask = 0xFF000000;
    for (int i = 0; i < 35; ++i) {
        const int x = i % 7;
        const int y = i / 7;
        const bool edge = x == 0 || y == 0 || x == 6 || y == 4;
        const bool corner = (x == 0 || x == 6) && (y == 0 || y == 4);
        spec.pixels[i].a = corner ? 0 : edge ? 128 : 255;
    }
    return spec;
}

// Clear, a quarter, half and fully opaque pixels in colours of every kind, two rows.
BmpSpec QuartersSpec() {
    BmpSpec spec = TrueColourSpec(8, 2, 32);
    spec.headerSize = 124;
    spec.alphaMask = 0xFF000000;
    const uint8_t alphas[] = {0, 64, 128, 255};
    const Rgba colours[] = {{52, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 0, 0}, {17, 200, 99, 0}};
    for (int i = 0; i < 16; ++i) {
        spec.pixels[i] = colours[(i / 4 + i) % 4];
        spec.pixels[i].a = alphas[i % 4];
    }
    return spec;
}

// The picture as readers without layers get it: matted against white, alpha kept.
std::vector<Rgba> OnWhite(std::vector<Rgba> pixels) {
    for (Rgba& p : pixels) {
        for (uint8_t* c : {&p.r, &p.g, &p.b})
            *c = static_cast<uint8_t>((*c * p.a + 255 * (255 - p.a) + 127) / 255);
    }
    return pixels;
}

// Readers that take the white out again must give the colours back where a pixel is at least
// half opaque (within 1), and the alpha everywhere.
::testing::AssertionResult SameWhereOpaque(const std::vector<Rgba>& expected,
                                           const std::string& rgba) {
    if (rgba.size() != 4 * expected.size())
        return ::testing::AssertionFailure() << rgba.size() << " bytes read";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Rgba& e = expected[i];
        const auto* read = reinterpret_cast<const uint8_t*>(rgba.data() + 4 * i);
        const int limit = e.a >= 128 ? 1 : 255;
        if (std::abs(read[0] - e.r) > limit || std::abs(read[1] - e.g) > limit ||
            std::abs(read[2] - e.b) > limit || read[3] != e.a)
            return ::testing::AssertionFailure()
                   << "pixel " << i << ": expected " << +e.r << "," << +e.g << "," << +e.b << ","
                   << +e.a << " read " << +read[0] << "," << +read[1] << "," << +read[2] << ","
                   << +read[3];
    }
    return ::testing::AssertionSuccess();
}

class DocumentTest : public ProgramTest {
  protected:
    // Converts `name` (written from spec) into the out folder; the document's bytes.
    std::string Convert(const std::string& name, const BmpSpec& spec,
                        const std::vector<std::string>& options = {}) {
        std::vector<std::string> args = {"-q", "-i", WriteBitmap(name, spec), "-o", OutFolder()};
        args.insert(args.end(), options.begin(), options.end());
        const Outcome outcome = Run(args);
        EXPECT_EQ(outcome.AfterBanner(), std::vector<std::string>{});
        return test::ReadBytes(OutFolder() + "/" + name.substr(0, name.find('.')) + ".psd")
            .value_or("");
    }
};

TEST_F(DocumentTest, ResolutionReachesImageMagick) {
    if (!ImageMagick("identify", {"-version"})) GTEST_SKIP() << "ImageMagick not installed";
    struct Case {
        uint32_t x, y;
        std::vector<std::string> args;
        const char* expected;
    };
    // Resizing keeps the resolution: the print size follows the pixel count.
    const Case cases[] = {
        {11811, 11811, {}, "4x3 300 300 PixelsPerInch"},
        {3780, 3780, {}, "4x3 96 96 PixelsPerInch"},
        {0, 0, {}, "4x3 72 72 PixelsPerInch"},
        {11811, 5906, {"--width=200", "--height=100"}, "200x100 300 150 PixelsPerInch"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        std::vector<uint8_t> bytes = testsupport::MakeBmp(TrueColourSpec(4, 3, 24));
        PutLe32(bytes, 38, c.x);  // biXPelsPerMeter
        PutLe32(bytes, 42, c.y);
        testsupport::WriteFile(Path("scan.bmp"), bytes);
        std::vector<std::string> args = {"-q", "-i", Path("scan.bmp"), "-o", OutFolder()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Run(args);
        EXPECT_EQ(ImageMagick("identify", {"-format", "%wx%h %x %y %U", OutFolder() + "/scan.psd"}),
                  c.expected);
    }
}

TEST_F(DocumentTest, EmbeddedProfileTravelsLinkedOneDoesNot) {
    // A profile is carried as it is: a 128-byte header with its signature, then anything.
    std::string profile(300, '\0');
    for (std::size_t i = 128; i < profile.size(); ++i) profile[i] = static_cast<char>(i);
    profile.replace(0, 4, std::string("\0\0\x01\x2C", 4));  // its size, 300
    profile.replace(36, 4, "acsp");
    for (const bool embedded : {true, false}) {
        SCOPED_TRACE(embedded ? "embedded" : "linked");
        std::vector<uint8_t> bytes = testsupport::MakeBmp(SpriteSpec());
        const auto at = static_cast<uint32_t>(bytes.size() - 14);
        bytes.insert(bytes.end(), profile.begin(), profile.end());
        PutLe32(bytes, 2, static_cast<uint32_t>(bytes.size()));
        PutLe32(bytes, 14 + 56, embedded ? 0x4D424544 : 0x4C494E4B);  // 'MBED' or 'LINK'
        PutLe32(bytes, 14 + 112, at);
        PutLe32(bytes, 14 + 116, static_cast<uint32_t>(profile.size()));
        testsupport::WriteFile(Path("tagged.bmp"), bytes);
        Run({"-q", "-i", Path("tagged.bmp"), "-o", OutFolder()});
        const auto sections =
            testsupport::SplitPsd(test::ReadBytes(OutFolder() + "/tagged.psd").value_or(""));
        ASSERT_TRUE(sections);
        EXPECT_EQ(testsupport::PsdResource(*sections, 1039),
                  embedded ? std::optional<std::string>(profile) : std::nullopt);
        if (embedded && ImageMagick("convert", {"-version"})) {
            EXPECT_EQ(ImageMagick("convert", {OutFolder() + "/tagged.psd[0]", "icc:-"}), profile);
        }
    }
}

TEST_F(DocumentTest, TransparentSpriteIsOneLayerWithAlpha) {
    const BmpSpec sprite = SpriteSpec();
    const std::string document = Convert("sprite.bmp", sprite);
    const auto sections = testsupport::SplitPsd(document);
    ASSERT_TRUE(sections);
    EXPECT_EQ(sections->layerCount, -1);
    // Readers of the merged image alone see the picture on white.
    const std::optional<Picture> merged = ReadPsd(OutFolder() + "/sprite.psd");
    ASSERT_TRUE(merged);
    EXPECT_TRUE(SamePixels(OnWhite(sprite.pixels), merged->pixels, 0));

    if (ImageMagick("identify", {"-version"})) {
        const std::string path = OutFolder() + "/sprite.psd";
        EXPECT_EQ(ImageMagick("identify", {"-format", "%[scene]:%wx%h,", path}), "0:7x5,1:7x5,");
        EXPECT_EQ(ImageMagick("identify", {"-format", "%l", path + "[1]"}), "sprite");
        EXPECT_EQ(ImageMagick("convert", {path + "[1]", "-depth", "8", "rgba:-"}),
                  RgbaBytes(sprite.pixels));
    }
    if (HavePsdTools()) {
        EXPECT_EQ(PsdTools("d = PSDImage.open(sys.argv[1]); l = list(d)\n"
                           "print(len(l), l[0].name, l[0].size, l[0].topil().tobytes().hex())",
                           {OutFolder() + "/sprite.psd"}),
                  "1 sprite (7, 5) " + Hex(RgbaBytes(sprite.pixels)) + "\n");
    }

    // The same picture opaque stays a flat document.
    BmpSpec opaque = sprite;
    for (Rgba& p : opaque.pixels) p.a = 255;
    const auto flat = testsupport::SplitPsd(Convert("sprite.bmp", opaque));
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat->layerCount, 0);
    EXPECT_EQ(flat->layers, "");
}

TEST_F(DocumentTest, ReadersTakeTheWhiteOutOfTheMergedImage) {
    const BmpSpec quarters = QuartersSpec();
    std::vector<std::string> paths;
    for (const std::string compression : {"none", "rle"}) {
        Convert("quarters.bmp", quarters,
                {"--psd-compression=" + compression, "--filename-mask=" + compression + ".psd"});
        paths.push_back(OutFolder() + "/" + compression + ".psd");
    }
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        if (!ImageMagick("convert", {"-version"})) break;
        const auto read = ImageMagick("convert", {path + "[0]", "-depth", "8", "rgba:-"});
        ASSERT_TRUE(read);
        EXPECT_TRUE(SameWhereOpaque(quarters.pixels, *read)) << "ImageMagick";
    }
    if (HavePsdTools()) {
        const auto read = PsdTools(
            "for path in sys.argv[1:]:\n"
            "    print(PSDImage.open(path).composite().convert('RGBA').tobytes().hex())",
            paths);
        ASSERT_TRUE(read);
        std::istringstream lines(*read);
        for (const std::string& path : paths) {
            SCOPED_TRACE(path);
            std::string hex;
            std::getline(lines, hex);
            EXPECT_TRUE(SameWhereOpaque(quarters.pixels, FromHex(hex))) << "psd-tools";
        }
    }
}

// Packed rows and the three-channel document read the same in every reader.
TEST_F(DocumentTest, PackedAndThreeChannelDocumentsReadTheSame) {
    BmpSpec opaque = SpriteSpec();
    for (Rgba& p : opaque.pixels) p.a = 255;
    const std::vector<std::string> variants[] = {{},
                                                 {"--psd-compression=RLE"},
                                                 {"--psd-alpha=auto"},
                                                 {"--psd-compression=RLE", "--psd-alpha=AUTO"}};
    std::vector<std::string> paths;
    std::vector<bool> threeChannels;
    for (const bool transparent : {false, true}) {
        for (std::size_t v = 0; v < std::size(variants); ++v) {
            const std::string name = (transparent ? "sprite" : "opaque") + std::to_string(v);
            std::vector<std::string> options = variants[v];
            options.push_back("--filename-mask=" + name + ".psd");
            Convert("picture.bmp", transparent ? SpriteSpec() : opaque, options);
            paths.push_back(OutFolder() + "/" + name + ".psd");
            threeChannels.push_back(!transparent && v >= 2);
        }
    }
    // Every variant reads as the first of its picture, the plain document.
    std::optional<std::string> psdTools;
    if (HavePsdTools()) {
        psdTools = PsdTools(
            "for path in sys.argv[1:]:\n"
            "    d = PSDImage.open(path); c = d.composite()\n"
            "    print(d.channels, c.mode, c.convert('RGBA').tobytes().hex())",
            paths);
        ASSERT_TRUE(psdTools);
    }
    std::istringstream psdToolsLines(psdTools.value_or(""));
    std::optional<Picture> plain;
    std::optional<std::string> plainMagick;
    std::string plainPsdTools;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        const std::optional<Picture> read = ReadPsd(paths[i]);
        ASSERT_TRUE(read);
        const auto magick = ImageMagick("convert", {paths[i] + "[0]", "-depth", "8", "rgba:-"});
        std::string line;
        std::getline(psdToolsLines, line);
        const std::string pixels = line.substr(line.rfind(' ') + 1);
        if (i % std::size(variants) == 0) {
            plain = read;
            plainMagick = magick;
            plainPsdTools = pixels;
        }
        EXPECT_TRUE(SamePixels(plain->pixels, read->pixels, 0));
        EXPECT_EQ(magick, plainMagick);
        if (psdTools) {
            EXPECT_EQ(pixels, plainPsdTools);
            EXPECT_EQ(line.substr(0, 6), threeChannels[i] ? "3 RGB " : "4 RGBA");
        }
    }
}

TEST_F(DocumentTest, WidePictureBecomesALargeDocument) {
    const BmpSpec wide = TrueColourSpec(31000, 2, 24);
    const Outcome outcome = Run({"-d", "-i", WriteBitmap("wide.bmp", wide), "-o", OutFolder()});
    const std::string path = OutFolder() + "/wide.psb";
    const std::vector<std::string>& lines = outcome.lines;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Saving As: " + path), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Large document format (psb): wider or taller than 30000 pixels"),
              lines.end());
    EXPECT_EQ(FolderNames(OutFolder()), std::vector<std::string>{"wide.psb"});
    const auto sections = testsupport::SplitPsd(test::ReadBytes(path).value_or(""));
    ASSERT_TRUE(sections);
    EXPECT_EQ(sections->version, 2);
    // FreeImage reads the large format too; Debian's ImageMagick refuses sides above 16K by policy.
    const std::optional<Picture> back = ReadPsd(path);
    ASSERT_TRUE(back);
    EXPECT_TRUE(SamePixels(wide.pixels, back->pixels, 0));
    if (HavePsdTools()) {
        EXPECT_EQ(PsdTools("d = PSDImage.open(sys.argv[1]); print(d.version, d.size)", {path}),
                  "2 (31000, 2)\n");
    }
}

TEST_F(DocumentTest, PictureBeyondTheLargeFormatFailsBeforeWriting) {
    const std::string huge = WriteBitmap("huge.bmp", TrueColourSpec(300001, 1, 24));
    const Outcome outcome = Run({"-q", "-i", huge, "-o", OutFolder()});
    EXPECT_EQ(outcome.AfterBanner(),
              (std::vector<std::string>{"Error: " + huge +
                                            ": picture too large for a Photoshop document (at "
                                            "most 300000 pixels per side)",
                                        "Conversion stopped"}));
    EXPECT_EQ(FolderNames(OutFolder()), std::vector<std::string>{});
}

}  // namespace
}  // namespace pictorb::e2e
