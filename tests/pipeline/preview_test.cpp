#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

#include "pipeline/job.h"
#include "pipeline/preview.h"
#include "pipeline/watermark.h"
#include "settings/settings.h"
#include "support/bmp_writer.h"
#include "support/psd_sections.h"

namespace pictorb {
namespace {

namespace fs = std::filesystem;
using testsupport::Rgba;

// A picture with a different colour at every pixel, so any shift, turn or blend shows.
testsupport::BmpSpec VariedPicture(int width, int height, bool withAlpha) {
    testsupport::BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bpp = withAlpha ? 32 : 24;
    if (withAlpha) {
        spec.compression = testsupport::BmpCompression::AlphaBitFields;
        spec.redMask = 0x00FF0000, spec.greenMask = 0x0000FF00, spec.blueMask = 0x000000FF;
        spec.alphaMask = 0xFF000000;
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto alpha = static_cast<uint8_t>(withAlpha ? (x * 255 / (width - 1)) : 255);
            spec.pixels.push_back(Rgba{static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 8),
                                       static_cast<uint8_t>((x + y) * 3), alpha});
        }
    }
    return spec;
}

class PreviewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pictorb-preview-" + std::to_string(getpid()));
        fs::create_directories(folder_ / "out");
        formats_ = MakeFormats();
        InitJobContext(job_, formats_);
        job_.outputFolder = (folder_ / "out").string() + "/";
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Write(const std::string& name, const testsupport::BmpSpec& spec) {
        const std::string path = (folder_ / name).string();
        testsupport::WriteFile(path, testsupport::MakeBmp(spec));
        return path;
    }

    // The document's pixels as straight RGBA rows, top first: the layer's where it has one.
    std::vector<uint8_t> DocumentPixels(const std::string& path, uint32_t& width,
                                        uint32_t& height) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        const auto channels = testsupport::DecodePsd(bytes);
        EXPECT_TRUE(channels.has_value());
        if (!channels) return {};
        width = channels->width;
        height = channels->height;
        std::vector<const std::string*> planes;
        if (channels->layer) {
            ++layered_;
            const testsupport::PsdLayer& layer = *channels->layer;
            EXPECT_EQ(layer.right - layer.left, static_cast<int32_t>(width));
            EXPECT_EQ(layer.bottom - layer.top, static_cast<int32_t>(height));
            for (int id : {0, 1, 2, -1})
                for (const auto& [channelId, plane] : layer.channels)
                    if (channelId == id) planes.push_back(&plane);
        } else {
            for (const std::string& plane : channels->merged) planes.push_back(&plane);
        }
        std::vector<uint8_t> rgba(std::size_t{width} * height * 4, 255);
        for (std::size_t c = 0; c < planes.size() && c < 4; ++c)
            for (std::size_t i = 0; i < std::size_t{width} * height; ++i)
                rgba[i * 4 + c] = static_cast<uint8_t>((*planes[c])[i]);
        return rgba;
    }

    fs::path folder_;
    Formats formats_;
    JobContext job_;
    ConversionSettings settings_;
    int layered_ = 0;  // documents compared through their layer
};

std::vector<uint8_t> PreviewPixels(const Image& picture) {
    std::vector<uint8_t> rgba;
    const unsigned height = picture.Height();
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(picture.get(), static_cast<int>(height - 1 - y));
        for (unsigned x = 0; x < picture.Width(); ++x, row += 4)
            rgba.insert(rgba.end(), {row[FI_RGBA_RED], row[FI_RGBA_GREEN], row[FI_RGBA_BLUE],
                                     row[FI_RGBA_ALPHA]});
    }
    return rgba;
}

struct Variant {
    const char* name;
    std::function<void(ConversionSettings&, const std::string& folder)> apply;
};

TEST_F(PreviewTest, PreviewHoldsExactlyTheDocumentsPixels) {
    const std::vector<Variant> variants = {
        {"plain", [](auto&, auto&) {}},
        {"rotate 90", [](auto& s, auto&) { s.doImageRotation = 1, s.imageRotation = 90; }},
        {"rotate 30 advanced",
         [](auto& s, auto&) {
             s.doImageRotation = 1, s.imageRotation = 30, s.imageRotationType = kRotationAdvanced;
         }},
        {"rotate 200 simple", [](auto& s, auto&) { s.doImageRotation = 1, s.imageRotation = 200; }},
        {"flips", [](auto& s, auto&) { s.doImageFlipHorizontal = 1, s.doImageFlipVertical = 1; }},
        {"brightness contrast gamma invert",
         [](auto& s, auto&) {
             s.doImageColorCorrection = 1, s.imageBrightness = 20, s.imageContrast = -15;
             s.imageGamma = 1.4f, s.imageInvert = 1;
         }},
        {"greyscale", [](auto& s, auto&) { s.doImageGreyscale = 1; }},
        {"threshold", [](auto& s, auto&) { s.doImageThreshold = 1, s.imageThreshold = 100; }},
        {"frame",
         [](auto& s, auto&) {
             s.doFrame = kFrameSolid, s.solidLeft = 3, s.solidTop = 2, s.solidBottom = 5;
             s.solidRight = 1, s.solidLeftColor = "FF0000", s.solidOpacity = 70;
         }},
        {"image watermark at half opacity",
         [](auto& s, const std::string& folder) {
             s.doWatermark = kWatermarkImage, s.image = folder + "/mark.bmp";
             s.imageOpacity = 50, s.imagePosition = 4;
         }},
    };
    std::vector<Variant> matrix = variants;
    for (int algorithm : {0, 1, 2, 3, 4, 5}) {
        matrix.push_back({"resize", [algorithm](auto& s, auto&) {
                              s.doImageResize = 1, s.imageWidth = 60, s.imageHeight = 35;
                              s.imageWidthUnit = s.imageHeightUnit = kUnitPercent;
                              s.keepAspectRatio = 0,
                              s.imageResizeAlgorithm = static_cast<int8_t>(algorithm);
                          }});
    }
    for (int position : {0, 4, 8}) {
        matrix.push_back({"text watermark", [position](auto& s, auto&) {
                              s.doWatermark = kWatermarkText, s.text = "%width%x%height% %n%";
                              s.fontSize = 9, s.textPosition = static_cast<int8_t>(position);
                              s.textOpacity = 80, s.textXOffset = 2;
                          }});
    }
    const std::string watermark = Write("mark.bmp", VariedPicture(9, 7, false));
    int index = 0;
    for (const bool alpha : {false, true}) {
        const std::string input =
            Write(alpha ? "sprite.bmp" : "photo.bmp", VariedPicture(37, 23, alpha));
        for (const Variant& variant : matrix) {
            for (const int32_t depth : {0, 32}) {
                SCOPED_TRACE(std::string(variant.name) + (alpha ? ", transparent" : "") +
                             ", depth " + std::to_string(depth) + " #" + std::to_string(index));
                SetDefaults(settings_, DefaultsFor::CommandLine, formats_);
                variant.apply(settings_, folder_.string());
                settings_.filenameMask = "%filename%-" + std::to_string(index++);
                settings_.psdBpp = depth;
                SetOutputFormat(job_, settings_, "psd");
                std::unique_ptr<Font> font = LoadWatermarkFont(settings_);
                const std::string depths = BitDepthList(formats_, "psd");

                FileJob converted = FileJobFor(job_, input);
                ASSERT_EQ(
                    ConvertFile(JobEnvironment{settings_, job_, formats_, font.get()}, converted),
                    ConvertError::None);
                uint32_t width = 0, height = 0;
                const std::vector<uint8_t> document =
                    DocumentPixels(converted.outputPath, width, height);

                const PreviewInput loaded = LoadPreviewInput(input, 0);
                ASSERT_EQ(loaded.error, ConvertError::None);
                const PreviewResult preview = RenderPreview(
                    loaded.picture, settings_, FileJobFor(job_, input), depths, font.get());
                ASSERT_EQ(preview.error, ConvertError::None);
                EXPECT_EQ(preview.facts.width, static_cast<int32_t>(width));
                EXPECT_EQ(preview.facts.height, static_cast<int32_t>(height));
                EXPECT_EQ(job_.outputFolder + preview.facts.outputName, converted.outputPath);
                EXPECT_TRUE(PreviewPixels(preview.picture) == document);
            }
        }
    }
    EXPECT_GT(layered_, 20);
}

TEST_F(PreviewTest, FailuresGiveTheRunsReason) {
    SetDefaults(settings_, DefaultsFor::CommandLine, formats_);
    SetOutputFormat(job_, settings_, "psd");
    const std::string notBitmap = (folder_ / "note.bmp").string();
    std::ofstream(notBitmap) << "this is no picture";
    const PreviewInput input = LoadPreviewInput(notBitmap, 0);
    EXPECT_EQ(input.error, ConvertError::NotABitmap);
    EXPECT_EQ(PreviewFailureText(input.error, input.detail), "not a Windows bitmap");
    EXPECT_EQ(LoadPreviewInput((folder_ / "missing.bmp").string(), 0).error,
              ConvertError::Unreadable);

    // A resize past the document's largest side fails as the conversion does.
    const std::string path = Write("small.bmp", VariedPicture(4, 3, false));
    settings_.doImageResize = 1, settings_.imageWidth = 400000, settings_.imageHeight = 1;
    settings_.imageWidthUnit = settings_.imageHeightUnit = kUnitPixels;
    settings_.keepAspectRatio = 0;
    const PreviewResult tooLarge = RenderPreview(LoadPreviewInput(path, 0).picture, settings_,
                                                 FileJobFor(job_, path), "32", nullptr);
    EXPECT_EQ(tooLarge.error, ConvertError::TooLargeForDocument);
    EXPECT_FALSE(tooLarge.picture);
}

TEST_F(PreviewTest, CancelledRenderStopsBetweenStagesAndGivesNothing) {
    SetDefaults(settings_, DefaultsFor::CommandLine, formats_);
    SetOutputFormat(job_, settings_, "psd");
    const Image sample = MakeSamplePicture();
    int asked = 0;
    const PreviewResult result = RenderPreview(sample, settings_, FileJobFor(job_, "/sample.bmp"),
                                               "32", nullptr, [&asked] { return ++asked >= 2; });
    EXPECT_TRUE(result.cancelled);
    EXPECT_FALSE(result.picture);
    // Stopped at the second check between stages; the render asks once more at its end.
    EXPECT_EQ(asked, 3);
    // The sample keeps its transparent corner and its colours.
    ASSERT_EQ(sample.Bpp(), 32u);
    RGBQUAD corner{}, top{};
    FreeImage_GetPixelColor(sample.get(), sample.Width() - 1, 0, &corner);
    FreeImage_GetPixelColor(sample.get(), sample.Width() - 1, sample.Height() - 1, &top);
    EXPECT_EQ(corner.rgbReserved, 0);
    EXPECT_EQ(top.rgbRed, 255);
    EXPECT_EQ(top.rgbReserved, 255);
}

}  // namespace
}  // namespace pictorb
