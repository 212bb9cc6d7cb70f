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

std::optional<std::string> PsdTools(const std::string& script, const std::string& path) {
    return RunTool("/usr/bin/python3",
                   {"-c", "import sys\nfrom psd_tools import PSDImage\n" + script, path});
}

std::string RgbaBytes(const std::vector<Rgba>& pixels) {
    std::string bytes;
    for (const Rgba& p : pixels) bytes += {char(p.r), char(p.g), char(p.b), char(p.a)};
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

class DocumentTest : public ProgramTest {
  protected:
    // Converts `name` (written from spec) into the out folder; the document's bytes.
    std::string Convert(const std::string& name, const BmpSpec& spec) {
        const Outcome outcome = Run({"-q", "-i", WriteBitmap(name, spec), "-o", OutFolder()});
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
    // Readers of the merged image alone see the same picture.
    const std::optional<Picture> merged = ReadPsd(OutFolder() + "/sprite.psd");
    ASSERT_TRUE(merged);
    EXPECT_TRUE(SamePixels(sprite.pixels, merged->pixels, 0));

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
                           OutFolder() + "/sprite.psd"),
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
        EXPECT_EQ(PsdTools("d = PSDImage.open(sys.argv[1]); print(d.version, d.size)", path),
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
