#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "pipeline/batch.h"
#include "pipeline/image.h"
#include "settings/settings.h"
#include "support/bmp_writer.h"

namespace pictorb {
namespace {

namespace fs = std::filesystem;

class JobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pictorb-job-" + std::to_string(getpid()));
        fs::create_directories(folder_ / "out");
        formats_ = MakeFormats();
        InitJobContext(job_, formats_);
        SetDefaults(settings_, DefaultsFor::CommandLine, formats_);
        job_.outputFolder = (folder_ / "out").string() + "/";
        job_.outputFormatKey = "psd";
        job_.automaticDepth = 1;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string WriteBitmap(const std::string& name) {
        testsupport::BmpSpec spec;
        spec.width = 3;
        spec.height = 2;
        spec.pixels.assign(6, testsupport::Rgba{10, 20, 30, 255});
        const std::string path = (folder_ / name).string();
        testsupport::WriteFile(path, testsupport::MakeBmp(spec));
        return path;
    }

    fs::path folder_;
    Formats formats_;
    JobContext job_;
    ConversionSettings settings_;
};

TEST_F(JobTest, AddInputFileTakesOnlyNonEmptyAcceptedFiles) {
    const std::string bitmap = WriteBitmap("a.bmp");
    std::ofstream((folder_ / "empty.bmp").string());
    std::ofstream((folder_ / "photo.png").string()) << "png";
    EXPECT_FALSE(AddInputFile(job_, formats_, (folder_ / "empty.bmp").string()));
    EXPECT_FALSE(AddInputFile(job_, formats_, (folder_ / "photo.png").string()));
    EXPECT_TRUE(AddInputFile(job_, formats_, bitmap));
    // A second file replaces the first: the map holds the one input of a run.
    EXPECT_TRUE(AddInputFile(job_, formats_, WriteBitmap("B.DIB")));
    ASSERT_EQ(job_.inputFiles.size(), 1u);
}

TEST_F(JobTest, RelativeFoldersAreCreatedBelowTheOutputFolder) {
    FileJob file = FileJobFor(job_, WriteBitmap("a.bmp"), "2024/june/");
    ASSERT_EQ(ConvertFile(JobEnvironment{settings_, job_, formats_, nullptr}, file),
              ConvertError::None);
    EXPECT_EQ(file.outputPath, (folder_ / "out/2024/june/a.psd").string());
    EXPECT_TRUE(fs::exists(file.outputPath));
    EXPECT_EQ(file.targetBitDepth, 32);  // chosen automatically from the list "32"
}

// 5- and 6-bit fields are expanded by rounding, as every bit-field layout is: 3 of 31 is 25.
TEST_F(JobTest, SixteenBitChannelsKeepEveryLevelRounded) {
    for (const bool green6 : {false, true}) {
        SCOPED_TRACE(green6 ? "5-6-5" : "5-5-5");
        testsupport::BmpSpec spec;
        spec.width = 64;
        spec.height = 1;
        spec.bpp = 16;
        if (green6) {
            spec.compression = testsupport::BmpCompression::BitFields;
            spec.redMask = 0xF800;
            spec.greenMask = 0x07E0;
            spec.blueMask = 0x001F;
        }
        const auto level = [](int value, int max) {
            return static_cast<uint8_t>((value * 255 + max / 2) / max);
        };
        for (int x = 0; x < spec.width; ++x) {
            const uint8_t five = level(x % 32, 31);
            spec.pixels.push_back(
                {five, green6 ? level(x, 63) : five, level(31 - x % 32, 31), 255});
        }
        FileJob file = FileJobFor(job_, (folder_ / "levels.bmp").string());
        testsupport::WriteFile(file.inputPath, testsupport::MakeBmp(spec));
        ASSERT_EQ(ConvertFile(JobEnvironment{settings_, job_, formats_, nullptr}, file),
                  ConvertError::None);
        Image back(FreeImage_Load(FIF_PSD, file.outputPath.c_str(), 0));
        ASSERT_TRUE(back);
        for (int x = 0; x < spec.width; ++x) {
            RGBQUAD read{};
            FreeImage_GetPixelColor(back.get(), static_cast<unsigned>(x), 0, &read);
            const testsupport::Rgba& expected = spec.pixels[static_cast<std::size_t>(x)];
            EXPECT_EQ(read.rgbRed, expected.r) << x;
            EXPECT_EQ(read.rgbGreen, expected.g) << x;
            EXPECT_EQ(read.rgbBlue, expected.b) << x;
        }
    }
}

TEST_F(JobTest, WorkerCountsSuccessesAndMovesTheCounters) {
    AddInputFile(job_, formats_, WriteBitmap("a.bmp"));
    SharedProgress progress;
    RunConversionWorker(JobEnvironment{settings_, job_, formats_, nullptr}, progress);
    EXPECT_EQ(progress.record.converted, 1);
    EXPECT_EQ(progress.record.index, 1);
    EXPECT_EQ(job_.conversionNumber, 2);

    // A failed file uses up no number.
    std::ofstream((folder_ / "bad.bmp").string()) << "not a bitmap";
    AddInputFile(job_, formats_, (folder_ / "bad.bmp").string());
    RunConversionWorker(JobEnvironment{settings_, job_, formats_, nullptr}, progress);
    EXPECT_EQ(progress.record.converted, 0);
    EXPECT_EQ(job_.conversionNumber, 2);
}

TEST_F(JobTest, WorkerStopsBeforeTheNextFileWhenAskedTo) {
    AddInputFile(job_, formats_, WriteBitmap("a.bmp"));
    SharedProgress progress;
    progress.record.continueFlag = 0;
    RunConversionWorker(JobEnvironment{settings_, job_, formats_, nullptr}, progress);
    EXPECT_EQ(progress.record.index, 0);
    EXPECT_FALSE(fs::exists(folder_ / "out/a.psd"));
}

}  // namespace
}  // namespace pictorb
