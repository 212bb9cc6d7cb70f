#include <gtest/gtest.h>

#include <cctype>
#include <utility>

#include "pipeline/job.h"
#include "pipeline/naming.h"

namespace pictorb {
namespace {

// True when `text` has the shape of `pattern`: '9' stands for a digit, 'a' for a lower-case
// letter, anything else for itself.
bool HasShape(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (pattern[i] == '9'   ? !std::isdigit(c)
            : pattern[i] == 'a' ? !std::islower(c)
                                : c != pattern[i]) {
            return false;
        }
    }
    return true;
}

struct NamingCase {
    const char* mask;
    const char* input;
    const char* expected;
};

class NamingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        settings.filenameMask = "%filename%.%ext%";
        settings.keepSubfolders = 1;
        job.outputFolder = "/out/";
        job.inputPath = "/in/Photo.bmp";
        job.outputFormatKey = "psd";
        job.targetBitDepth = 32;
        job.outputWidth = 640;
        job.outputHeight = 480;
        job.randomNumber = 42;
        job.conversionNumber = 7;
    }
    ConversionSettings settings;
    FileJob job;
};

TEST_F(NamingTest, MaskTokensGiveTheirValues) {
    const NamingCase cases[] = {
        {"%filename%.%ext%", "/in/Photo.bmp", "Photo.psd"},  // only the mask is lower-cased
        {"%FILENAME[U]%_%n%", "/in/Photo.bmp", "PHOTO_00007"},
        {"%filename[t]%.%ext[t]%", "/in/photo.bmp", "Photo.Psd"},
        {"%filename[l]%-%ext[u]%", "/in/MiXeD.bmp", "mixed-PSD"},
        {"Photo_%filename%", "/in/a.bmp", "photo_a"},
        {"%rnd%", "/in/a.bmp", "00042"},
        {"%bpp%-%width%x%height%", "/in/a.bmp", "32-640x480"},
        {"%filename%", "/in/a.b.c.bmp", "a.b"},
        {"%filename%", "/in/my.photo.bmp", "my"},
        {"%filename%", "/in/Été.bmp", "Été"},
        {"%filename[u]%", "/in/été.bmp", "ÉTÉ"},
        {"", "/in/x.bmp", "x.psd"},
        // Text a token brings in is searched by the later tokens.
        {"%filename%", "/in/%ext%.bmp", "psd"},
        {"%ext[l]%", "/in/x.bmp", "%ext[l]%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        settings.filenameMask = c.mask;
        job.inputPath = c.input;
        EXPECT_EQ(ApplyFilenameMask(settings, job), c.expected);
    }
}

TEST_F(NamingTest, CountersArePaddedOrCutToFiveCharacters) {
    settings.filenameMask = "%n%";
    job.conversionNumber = 123456;
    EXPECT_EQ(ApplyFilenameMask(settings, job), "12345");
    job.conversionNumber = 1;
    EXPECT_EQ(ApplyFilenameMask(settings, job), "00001");
}

TEST_F(NamingTest, DateTokensFormAPlausibleDate) {
    settings.filenameMask = "%yyyy%-%mm%-%dd% %hh%:%ii%:%ss%";
    EXPECT_TRUE(HasShape(ApplyFilenameMask(settings, job), "9999-99-99 99:99:99"));
}

TEST_F(NamingTest, RelativeFolderOnlyWithKeepSubfolders) {
    job.relativeFolder = "sub/";
    EXPECT_EQ(FormOutputFolder(settings, job), "/out/sub/");
    settings.keepSubfolders = 0;
    EXPECT_EQ(FormOutputFolder(settings, job), "/out/");
}

TEST_F(NamingTest, TemporaryNamesAreClockLettersAndFiveRandomLetters) {
    const std::string path = FormTempPath(settings, job);
    EXPECT_TRUE(HasShape(path, "/out/pictorbaaaaaaaaaaaaaaa.psd")) << path;
    // One letter per digit of the clock: only "a" to "j".
    for (char c : path.substr(12, 10)) EXPECT_LE(c, 'j');
    EXPECT_NE(FormTempPath(settings, job), FormTempPath(settings, job));
}

TEST(OutputFolderTest, NamesThatClimbOutOrStartAtTheRootAreRefused) {
    const std::pair<const char*, bool> cases[] = {
        {"photo.psd", true},   {"sub/photo.psd", true}, {"./sub/photo.psd", true},
        {"..photo.psd", true}, {"photo..psd", true},    {"a/..b/c", true},
        {"..", false},         {"../photo.psd", false}, {"sub/../photo.psd", false},
        {"sub/..", false},     {"a//../b", false},      {"/photo.psd", false},
        {"/", false},          {"//x", false},
    };
    for (const auto& [name, inside] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(StaysInOutputFolder(name), inside);
    }
}

TEST(RandomNumberTest, StaysWithinItsRange) {
    for (int i = 0; i < 1000; ++i) {
        const int32_t n = NewRandomNumber();
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 99999);
    }
}

TEST(RelativeFolderTest, IsTheFolderBelowTheBase) {
    EXPECT_EQ(RelativeFolder("/pics/2024/a.bmp", "/pics/"), "2024/");
    EXPECT_EQ(RelativeFolder("/pics/a.bmp", "/other/"), "");
    EXPECT_EQ(RelativeFolder("", "/pics/"), "");
    EXPECT_EQ(RelativeFolder("/pics/a.bmp", ""), "");
    // On the command line the base is the input path itself, which its folder never holds.
    EXPECT_EQ(RelativeFolder("/pics/a.bmp", "/pics/a.bmp"), "");
}

}  // namespace
}  // namespace pictorb
