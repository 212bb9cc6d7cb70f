// Profiles saved by the program: --save-profile, the profiles folder, refused lines.

#include <algorithm>
#include <filesystem>

#include "e2e/harness.h"

namespace pictorb::e2e {
namespace {

using Lines = std::vector<std::string>;

class ProfilesTest : public ProgramTest {
  protected:
    ProfilesTest() : input_(WriteBitmap("in.bmp", TrueColourSpec(12, 9, 24))) {
        std::filesystem::create_directories(ProfilesFolder());
    }
    // The fixture's XDG_CONFIG_HOME is home/.config in its folder.
    std::string ProfilesFolder() const { return Path("home/.config/Corvalen/pictorb/profiles"); }
    std::string input_;
};

bool Contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(ProfilesTest, SavedProfileGivesTheSameListingAndDocumentByBareName) {
    struct Row {
        std::string option, listed;
    };
    // Two setups, as a text and an image watermark exclude each other.
    const std::vector<std::vector<Row>> setups = {
        {{"--psd-compression=rle", "PSD Compression: RLE"},
         {"--psd-alpha=auto", "PSD Alpha Channel: AUTO"},
         {"--rotation-type=advanced", "Image Rotation Type: ADVANCED"},
         {"--rotation=30", "Image Rotation: 30"},
         {"--rotation-back-color=00FF00", "Image Rotation Back Color: 00FF00"},
         {"--width=20", "Width: 20 PIXELS"},
         {"--height=50", "Height: 50 PERCENT"},
         {"--height-unit=percent", "Height: 50 PERCENT"},
         {"--keep-aspect-ratio", "Keep Aspect Ratio: 1"},
         {"--resize-type=largeimages", "Image Resize Type: LARGEIMAGES"},
         {"--resize-algorithm=box", "Image Resize Algorithm: BOX"},
         {"--flip-horizontal", "Flip Horizontal: 1"},
         {"--brightness=-5", "Brightness: -5"},
         {"--gamma=1.25", "Gamma: 1.25"},
         {"--invert", "Invert: 1"},
         {"--greyscale", "Greyscale: 1"},
         {"--threshold=40", "Image Threshold: 40"},
         {"--fr-solid-top=3", "Frame top: 3"},
         {"--fr-solid-left-color=FF0000", "Frame left color: FF0000"},
         {"--fr-solid-opacity=128", "Frame opacity: 128"},
         {"--wm-text=Hi $HOME 'you'", "Watermark text: Hi $HOME 'you'"},
         {"--wm-font=DejaVu Sans", "Watermark font: DejaVu Sans"},
         {"--wm-font-size=9", "Watermark font size: 9"},
         {"--wm-font-style=bold", "Watermark font style: BOLD"},
         {"--wm-text-antialiasing", "Watermark text antialiasing: 1"},
         {"--wm-text-position=topleft", "Watermark position: TOPLEFT"},
         {"--wm-text-x-offset=-2", "Watermark offset (x/y): -2/10"},
         {"--filename-mask=%filename%_p.%ext%", "Filename Mask: %filename%_p.%ext%"},
         {"--file-timestamp=custom", "File Timestamp: CUSTOM"},
         {"--file-timestamp-custom=1000000000", "Custom Timestamp: 1000000000"},
         {"--no-subfolders", "Keep Subfolders: 0"},
         {"--existing=replace", "Existing Files: REPLACE"}},
        {{"--psd-bpp=32", "PSD BPP: 32"},
         {"--wm-image=" + input_, "Watermark image: " + input_},
         {"--wm-image-greyscale", "Watermark greyscale: 1"},
         {"--wm-image-opacity=100", "Watermark opacity: 100"},
         {"--wm-image-position=middlecenter", "Watermark position: MIDDLECENTER"},
         {"--jobs=2", "Threads: 2"}},
    };
    for (std::size_t index = 0; index < setups.size(); ++index) {
        SCOPED_TRACE(index);
        Lines options;
        for (const Row& row : setups[index]) options.push_back(row.option);
        const std::string name = "setup" + std::to_string(index);
        Lines save = options;
        save.push_back("--save-profile=" + ProfilesFolder() + "/" + name + ".ini");
        save.push_back("--exit-code");  // no input needed to save
        EXPECT_EQ(Run(save).lines, Lines{});
        const auto profile = test::ReadBytes(ProfilesFolder() + "/" + name + ".ini");
        ASSERT_TRUE(profile.has_value());
        EXPECT_NE(profile->find("; Profile written by Corvalen Pictorb 2.2\r\n[CLI]\r\n"),
                  std::string::npos);

        const std::string byProfile = Path("byprofile" + std::to_string(index));
        const std::string direct = Path("direct" + std::to_string(index));
        std::filesystem::create_directory(byProfile);
        std::filesystem::create_directory(direct);
        const Outcome run = Run({"-d", "-q", "-i", input_, "-o", byProfile, "--profile=" + name});
        for (const Row& row : setups[index]) {
            SCOPED_TRACE(row.option);
            EXPECT_TRUE(Contains(run.lines, row.listed)) << ::testing::PrintToString(run.lines);
        }
        Lines convert = {"-q", "-i", input_, "-o", direct};
        convert.insert(convert.end(), options.begin(), options.end());
        EXPECT_EQ(Run(convert).lines, Lines{});
        const Lines names = FolderNames(direct);
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(FolderNames(byProfile), names);
        EXPECT_EQ(test::ReadBytes(byProfile + "/" + names[0]),
                  test::ReadBytes(direct + "/" + names[0]));
    }
}

TEST_F(ProfilesTest, SavingWithInputsAlsoConvertsAndAFailedSaveIsAnError) {
    const Outcome both =
        Run({"-q", "-i", input_, "-o", OutFolder(), "--invert", "--save-profile=" + Path("s.ini")});
    EXPECT_EQ(both.lines, Lines{});
    EXPECT_EQ(FolderNames(OutFolder()), Lines{"in.psd"});
    const auto saved = test::ReadBytes(Path("s.ini"));
    ASSERT_TRUE(saved.has_value());
    EXPECT_NE(saved->find("--invert = 1\r\n"), std::string::npos);

    RunExtras extras;
    extras.expectedExitCode = 2;
    const Outcome failed = Run({"--exit-code", "--save-profile=" + Path("missing/s.ini")}, extras);
    EXPECT_EQ(failed.lines, Lines{"Error: Cannot write profile file"});
}

TEST_F(ProfilesTest, RefusedProfileLinesAreErrorLinesAndTheRestIsApplied) {
    test::WriteBytes(ProfilesFolder() + "/odd.ini",
                     "[CLI]\r\n--widht = 5\r\n--psd-compression = zip9\r\n--psd-bpp = 32\r\n");
    const Outcome run = Run({"-d", "-q", "-i", input_, "-o", OutFolder(), "--profile=odd"});
    ASSERT_GE(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[0], "Error: odd: unknown key: --widht = 5");
    EXPECT_EQ(run.lines[1], "Error: odd: unknown keyword: --psd-compression = zip9");
    EXPECT_TRUE(Contains(run.lines, "PSD BPP: 32"));
    EXPECT_EQ(FolderNames(OutFolder()), Lines{"in.psd"});
}

}  // namespace
}  // namespace pictorb::e2e
