// The lines the program prints: status, errors in their check order, stopped conversions,
// quiet, pause, profiles and the debug listing.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "e2e/harness.h"

namespace pictorb::e2e {
namespace {

using Lines = std::vector<std::string>;

const Lines kSuccess = {
    "Preparing...",  "Importing...",        "Import complete, new files added: 1",
    "Converting...", "Conversion complete", "Files converted: 1 of 1"};
const Lines kNothingAdded = {"Preparing...", "Importing...", "Import complete, new files added: 0",
                             "Conversion stopped",
                             "No input file(s) found. Please, add valid file(s) and try again!"};
const Lines kJobFailed = {"Preparing...", "Importing...", "Import complete, new files added: 1",
                          "Converting...", "Conversion stopped"};

class LinesTest : public ProgramTest {
  protected:
    LinesTest() : input_(WriteBitmap("in.bmp", TrueColourSpec(5, 3, 24))) {}
    std::string input_;
};

TEST_F(LinesTest, SuccessfulRunPrintsBannerAndStatusLines) {
    const Outcome run = Run({"-i", input_, "-o", OutFolder()});
    ASSERT_GE(run.lines.size(), kBannerLines);
    EXPECT_EQ(run.lines[0], kBannerTitle);
    EXPECT_NE(run.lines[1].find("(c)"), std::string::npos);
    EXPECT_EQ(run.lines[1].find("\u00A9"), std::string::npos);
    EXPECT_EQ(run.lines[3], " ");
    EXPECT_EQ(run.AfterBanner(), kSuccess);
    EXPECT_EQ(FolderNames(OutFolder()), Lines{"in.psd"});  // no temporary file is left
    // Redirected output is UTF-16LE without byte-order mark, every line ended by CR LF.
    EXPECT_EQ(run.child.out, test::Utf16LeLines(run.lines));

    // Without -o the document goes beside the input.
    EXPECT_EQ(Run({"--input=" + input_}).AfterBanner(), kSuccess);
    EXPECT_TRUE(std::filesystem::is_regular_file(Path("in.psd")));
}

TEST_F(LinesTest, ParameterErrorsArePrintedWithoutBanner) {
    std::filesystem::create_directory(Path("folder.ini"));
    test::WriteBytes(Path("nocli.ini"), "[Other]\r\n--width = 5\r\n");
    const std::string kBad = "Error: Incorrect number of parameters";
    const std::string kProfile = "Error: Invalid profile file";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-i"}, kBad},
        {{"-i", "-o", OutFolder()}, kBad},
        {{"--input"}, kBad},
        {{"--brightness=--20", "-i", input_}, kBad},
        {{"-i", input_, "--width"}, kBad},
        {{"--profile=", "-i", input_}, kBad},
        {{"--profile=" + Path("missing.ini"), "-i", input_}, kProfile},
        {{"--profile=" + Path("folder.ini"), "-i", input_}, kProfile},
        // Only the first error is reported.
        {{"--profile=" + Path("missing.ini"), "-i"}, kProfile},
    };
    for (const auto& [args, error] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(Run(args).lines, Lines{error});
    }
    EXPECT_EQ(FolderNames(OutFolder()), Lines{});
    // A profile without group "CLI" is no error.
    EXPECT_EQ(
        Run({"--profile=" + Path("nocli.ini"), "-i", input_, "-o", OutFolder()}).AfterBanner(),
        kSuccess);
}

TEST_F(LinesTest, RunErrorsFollowTheirCheckOrder) {
    test::WriteBytes(Path("photo"), "BM");
    test::WriteBytes(Path("empty.bmp"), "");
    test::WriteBytes(Path("fontless.ini"), "[CLI]\r\n--wm-text = Hi\r\n--wm-font =\r\n");
    test::WriteBytes(Path("not-a-folder"), "x");
    // Each fault in the order the run checks it. Case k is run with faults k..end present,
    // the later ones first, so only fault k can be the first one found. Each -i adds an input,
    // so the input faults take turns at the head of the chain.
    const std::string inputFaults[] = {Path("photo"), Path("empty.bmp"), Path("missing.bmp")};
    for (const std::string& input : inputFaults) {
        SCOPED_TRACE(input);
        EXPECT_EQ(Run({"-o", "../x", "-c", "PSD", "--gamma=10", "-i", input}).AfterBanner(),
                  (Lines{"Preparing...", "Error: Invalid input file"}));
    }
    const std::pair<std::vector<std::string>, std::string> faults[] = {
        {{"-o", "../x"}, "Incorrect output folder"},
        {{"-o", Path("nope")}, "Invalid output folder"},
        {{"-o", Path("not-a-folder")}, "Invalid output folder"},
        {{"-c", "PSD"}, "Invalid conversion type"},
        {{"--psd-bpp=24"}, "Invalid psd-bpp value"},
        // LZW is a compression keyword, but not one of this format's.
        {{"--psd-compression=LZW"}, "Invalid psd-compression value"},
        {{"--width=0", "--height=5"}, "Invalid width value"},
        {{"--width=800"}, "Invalid height value"},
        {{"--brightness=101"}, "Invalid brightness value"},
        {{"--contrast=-101"}, "Invalid contrast value"},
        {{"--gamma=10"}, "Invalid gamma value"},
        {{"--profile=" + Path("fontless.ini")}, "Invalid watermark font"},
        {{"--wm-image=" + Path("missing.png")}, "Invalid watermark image"},
    };
    const std::size_t count = std::size(faults);
    for (std::size_t k = 0; k < count; ++k) {
        std::vector<std::string> args = {"-i", input_, "-o", OutFolder()};
        for (std::size_t j = count; j-- > k;)
            args.insert(args.end(), faults[j].first.begin(), faults[j].first.end());
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(Run(args).AfterBanner(), (Lines{"Preparing...", "Error: " + faults[k].second}));
    }
    EXPECT_EQ(FolderNames(OutFolder()), Lines{});
}

TEST_F(LinesTest, RelativeOutputFoldersLieBelowTheProgramFolder) {
    // A copy of the program, so that its folder is one the test owns.
    namespace fs = std::filesystem;
    fs::create_directories(Path("bin/sub"));
    fs::create_directories(Path("work/sub"));
    fs::copy_file(PICTORBCMD_PATH, Path("bin/pictorbcmd"));
    // A copied program finds its modules beside it, as an installed one does.
    for (const char* module : {"pictorb-engine.so", "pictorb-draw.so", "pictorb-desktop.so"})
        fs::create_symlink(fs::path(PICTORBCMD_PATH).parent_path() / module, Path("bin/") + module);
    fs::copy_file(input_, Path("work/in.bmp"));
    RunExtras copy;
    copy.program = Path("bin/pictorbcmd");
    copy.workingDirectory = Path("work");
    for (const std::string folder : {"sub", "./sub", "sub/"}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(Run({"-i", "in.bmp", "-o", folder}, copy).AfterBanner(), kSuccess);
        EXPECT_EQ(FolderNames(Path("bin/sub")), Lines{"in.psd"});
        EXPECT_EQ(FolderNames(Path("work/sub")), Lines{});
        fs::remove(Path("bin/sub/in.psd"));
    }
    // A folder that is not there: standard error says where it was looked for.
    const Outcome missing = Run({"-i", "in.bmp", "-o", "missing"}, copy);
    EXPECT_EQ(missing.AfterBanner(), (Lines{"Preparing...", "Error: Invalid output folder"}));
    EXPECT_EQ(missing.child.err, "pictorbcmd: output folder: " + Path("bin/missing/") + "\n");
    // Without -o the document goes next to its input, also for a relative input path.
    EXPECT_EQ(Run({"-i", "in.bmp"}, copy).AfterBanner(), kSuccess);
    EXPECT_EQ(FolderNames(Path("work")), (Lines{"in.bmp", "in.psd", "sub"}));
    fs::copy_file(input_, Path("work/sub/deeper.bmp"));
    EXPECT_EQ(Run({"-i", "sub/deeper.bmp"}, copy).AfterBanner(), kSuccess);
    EXPECT_EQ(FolderNames(Path("work/sub")), (Lines{"deeper.bmp", "deeper.psd"}));
    EXPECT_FALSE(fs::exists(Path("bin/in.psd")));
}

TEST_F(LinesTest, RunChecksOnTheirOwn) {
    std::filesystem::create_directory(Path("folder.bmp"));
    test::WriteBytes(Path("empty.png"), "");
    // A folder is an input of its own, even one named like a bitmap.
    EXPECT_EQ(
        Run({"-o", OutFolder(), "-i", Path("folder.bmp")}).AfterBanner(),
        (Lines{"Preparing...", "Importing...",
               "Error: " + Path("folder.bmp") + ": no bitmap (.bmp, .rle, .dib) in this folder",
               "Import complete, new files added: 0", "Conversion stopped",
               "No input file(s) found. Please, add valid file(s) and try again!"}));
    const std::pair<std::vector<std::string>, std::string> failing[] = {
        {{"-c", "jpg"}, "Invalid conversion type"},
        {{"--gamma=NaN"}, "Invalid gamma value"},
        {{"--gamma=0.009"}, "Invalid gamma value"},
        {{"--brightness=-101"}, "Invalid brightness value"},
        {{"--wm-image=" + Path("empty.png")}, "Invalid watermark image"},
        {{"-o", "..x"}, "Incorrect output folder"},
        // A relative folder is taken below the program's folder, which has no such folder.
        {{"-o", "./no-such-folder-below-the-program"}, "Invalid output folder"},
    };
    for (const auto& [extra, error] : failing) {
        std::vector<std::string> args = {"-o", OutFolder(), "-i", input_};
        args.insert(args.end(), extra.begin(), extra.end());
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(Run(args).AfterBanner(), (Lines{"Preparing...", "Error: " + error}));
    }
    const std::vector<std::string> passing[] = {
        {"--psd-bpp=32"},
        {"--psd-bpp=0", "-c", "psd"},
        {"--psd-compression=none", "--psd-alpha=always"},
        {"--gamma=9.99", "--brightness=-100"},
        {"-o", OutFolder() + "/"},
        {"--no-subfolders"},
    };
    for (const auto& extra : passing) {
        std::vector<std::string> args = {"-o", OutFolder(), "-i", input_};
        args.insert(args.end(), extra.begin(), extra.end());
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(Run(args).AfterBanner(), kSuccess);
        EXPECT_EQ(FolderNames(OutFolder()), Lines{"in.psd"});
    }
}

TEST_F(LinesTest, StoppedConversionsLeaveNoFileBehind) {
    test::WriteBytes(Path("list.txt"), "in.bmp\n");
    test::WriteBytes(Path("a.png"), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(Run({"-i", Path("list.txt"), "-o", OutFolder()}).AfterBanner(), kNothingAdded);
    EXPECT_EQ(Run({"-i", Path("a.png"), "-o", OutFolder()}).AfterBanner(), kNothingAdded);

    // Files named as bitmaps that are none: an existing output of that name stays untouched.
    const std::string previous = "an earlier document";
    test::WriteBytes(OutFolder() + "/bad.psd", previous);
    const std::pair<std::string, std::string> broken[] = {
        {"garbage", "this is not a bitmap at all"},
        {"truncated", test::ReadBytes(input_)->substr(0, 40)},
        {"header only", "BM"},
    };
    for (const auto& [name, bytes] : broken) {
        SCOPED_TRACE(name);
        test::WriteBytes(Path("bad.bmp"), bytes);
        EXPECT_EQ(Run({"-i", Path("bad.bmp"), "-o", OutFolder()}).AfterBanner(), kJobFailed);
        EXPECT_EQ(FolderNames(OutFolder()), Lines{"bad.psd"});
        EXPECT_EQ(test::ReadBytes(OutFolder() + "/bad.psd"), previous);
    }
    // Quiet leaves only the outcome.
    EXPECT_EQ(Run({"-q", "-i", Path("bad.bmp"), "-o", OutFolder()}).lines,
              Lines{"Conversion stopped"});
    EXPECT_EQ(Run({"-i", Path("list.txt"), "-q"}).lines,
              (Lines{"Conversion stopped",
                     "No input file(s) found. Please, add valid file(s) and try again!"}));
}

TEST_F(LinesTest, AWriteBeyondTheFileSizeLimitStopsTheConversion) {
    const std::string big = WriteBitmap("big.bmp", TrueColourSpec(64, 64, 24));
    const std::string previous = "an earlier document";
    test::WriteBytes(OutFolder() + "/big.psd", previous);
    RunExtras limited;
    limited.fileSizeLimit = 4096;  // well below the 16 KiB of pixels
    const Outcome failed = Run({"-i", big, "-o", OutFolder()}, limited);
    EXPECT_EQ(failed.AfterBanner(), kJobFailed);
    // The system's reason goes to standard error; standard output stays as it was.
    EXPECT_EQ(failed.child.err,
              "pictorbcmd: " + big + ": the output file cannot be written (File too large)\n");
    EXPECT_EQ(FolderNames(OutFolder()), Lines{"big.psd"});
    EXPECT_EQ(test::ReadBytes(OutFolder() + "/big.psd"), previous);

    // The same run without the limit replaces the earlier document.
    EXPECT_EQ(Run({"-i", big, "-o", OutFolder()}).AfterBanner(), kSuccess);
    EXPECT_NE(test::ReadBytes(OutFolder() + "/big.psd"), previous);
}

TEST_F(LinesTest, QuietAndPause) {
    RunExtras key;
    key.stdinBytes = "x";
    RunExtras closedInput;  // standard input at end of file must not hang the pause
    closedInput.stdinBytes = "";
    closedInput.timeoutMs = 20000;

    EXPECT_EQ(Run({"-q", "-i", input_, "-o", OutFolder()}).lines, Lines{});
    EXPECT_EQ(FolderNames(OutFolder()), Lines{"in.psd"});
    EXPECT_EQ(Run({"-q", "-i"}).lines, Lines{"Error: Incorrect number of parameters"});

    Lines paused = kSuccess;
    paused.push_back("Press any key to exit.");
    EXPECT_EQ(Run({"-p", "-i", input_, "-o", OutFolder()}, key).AfterBanner(), paused);
    EXPECT_EQ(Run({"--pause", "-i", input_, "-o", OutFolder()}, closedInput).AfterBanner(), paused);
    EXPECT_EQ(Run({"-p", "-q", "-i", input_, "-o", OutFolder()}, closedInput).lines,
              Lines{"Press any key to exit."});
    // An error after -p waits without the prompt; one before it does not wait at all.
    EXPECT_EQ(Run({"-p", "--input"}, closedInput).lines,
              Lines{"Error: Incorrect number of parameters"});
    EXPECT_EQ(Run({"--input", "-p"}, closedInput).lines,
              Lines{"Error: Incorrect number of parameters"});
}

TEST_F(LinesTest, HelpNamesTheProgramAndItsInputFormat) {
    const std::string link = Path("bmp2psd.bin");
    std::filesystem::create_symlink(PICTORBCMD_PATH, link);
    for (const std::string first : {"-h", "-?", "--HELP", "--help=now"}) {
        SCOPED_TRACE(first);
        const Lines lines = Run({first, "-i", input_}).lines;
        ASSERT_EQ(lines.size(), 50u);
        EXPECT_EQ(lines[0], " ");
        EXPECT_EQ(lines[1], "Usage: pictorbcmd -i <filename> [options]");
        EXPECT_EQ(lines[3], "  pictorbcmd -i example.bmp");
        EXPECT_EQ(lines[6], "  pictorbcmd -i /tmp/example.bmp -o /tmp/converted --jpg-quality=95");
        EXPECT_EQ(lines[13],
                  "  -c STR, --conversion=STR  Set output extension, STR = (jpg | bmp | ...)");
        EXPECT_EQ(lines[15], "Batch options:");
        EXPECT_EQ(lines[20],
                  "  --jobs=NUM                Files converted at once, 0 = one per CPU");
        EXPECT_EQ(lines[26], "  --                        Every parameter after it is an input");
        EXPECT_EQ(lines[49], "  -v, --version             Display version information and exit");
        for (const std::string& line : lines) EXPECT_EQ(line.find("%s"), std::string::npos);
    }
    EXPECT_EQ(FolderNames(OutFolder()), Lines{});  // help converts nothing

    test::ChildOptions options;
    options.program = link;  // the name in the help is the called name without extension
    options.args = {"-?"};
    options.environment = test::IsolatedEnvironment(dir_.Path());
    const Lines lines = test::SplitCrLfLines(test::DecodeUtf16Le(test::RunChild(options).out));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "Usage: bmp2psd -i <filename> [options]");

    // Help is chosen by the first parameter only.
    EXPECT_EQ(Run({"-i", input_, "-o", OutFolder(), "-h"}).AfterBanner(), kSuccess);
}

TEST_F(LinesTest, DebugListingOfARunWithOptions) {
    test::WriteBytes(Path("p.ini"),
                     "[CLI]\r\n"
                     "--WM-SOLID-OPACITY = 128\r\n"
                     "--FR-SOLID-OPACITY = 5\r\n"
                     "--fr-solid-top-color =  00FF00  \r\n"
                     "--wm-text-antialiasing = 0\r\n"
                     "--wm-font-style = bolditalic\r\n"
                     "--psd-compression = rle\r\n"
                     "--contrast = 99\r\n");
    const std::string in = Path("in.bmp");
    const Outcome run = Run({"-d",
                             "-i",
                             in,
                             "-o",
                             OutFolder(),
                             "-c",
                             "psd",
                             "--psd-alpha=Auto",
                             "--width=8",
                             "--height=50",
                             "--height-unit=PERCENT",
                             "--resize-algorithm=lanczos",
                             "--rotation=90",
                             "--rotation-back-color=FFFFFF",
                             "--flip-vertical",
                             "--brightness=-5",
                             "--profile=" + Path("p.ini"),
                             "--contrast=7",
                             "--gamma=1",
                             "--threshold=100",
                             "--threshold=0",
                             "--fr-solid-left=2",
                             "--wm-text=Hello there",
                             "--wm-font=Liberation Sans",
                             "--wm-font-size=9",
                             "--wm-text-position=topleft",
                             "--wm-text-x-offset=-3",
                             "--filename-mask=%filename%_d.%ext%",
                             "--file-timestamp=custom",
                             "--file-timestamp-custom=1000000000",
                             "--no-subfolders"});
    const Lines expected = {
        "Preparing...",
        "Input: " + in,
        "Output: " + OutFolder(),
        "Conversion: psd",
        "PSD BPP: 0",
        "PSD Compression: RLE",
        "PSD Alpha Channel: AUTO",
        "Image Rotation Type: SIMPLE",
        "Image Rotation: 90",
        "Image Rotation Back Color: FFFFFF",
        "Width: 8 PIXELS",
        "Height: 50 PERCENT",
        "Keep Aspect Ratio: 0",
        "Image Resize Type: ALLIMAGES",
        "Image Resize Algorithm: LANCZOS",
        "Flip Horizontal: 0",
        "Flip Vertical: 1",
        "Brightness: -5",
        "Contrast: 7",
        "Gamma: 1.00",
        "Invert: 0",
        "Greyscale: 0",
        "Image Threshold: 0",
        "Frame: SOLID",
        "Frame left: 2",
        "Frame right: 0",
        "Frame top: 0",
        "Frame bottom: 0",
        "Frame left color: 000000",
        "Frame right color: 000000",
        "Frame top color: 00FF00",
        "Frame bottom color: 000000",
        "Frame opacity: 128",
        "Watermark: TEXT",
        "Watermark text: Hello there",
        "Watermark font: Liberation Sans",
        "Watermark font size: 9",
        "Watermark font leading: 0",
        "Watermark font color: FFFFFF",
        "Watermark font style: BOLDITALIC",
        "Watermark font effect: NONE",
        "Watermark text antialiasing: 1",
        "Watermark text alignment: LEFT",
        "Watermark text padding: 0",
        "Watermark text opacity: 255",
        "Watermark background color: 000000",
        "Watermark background opacity: 1",
        "Watermark boundary: IMAGE",
        "Watermark position: TOPLEFT",
        "Watermark offset (x/y): -3/10",
        "Watermark rotation: 0",
        "Watermark size/mode: FIXED",
        "Filename Mask: %filename%_d.%ext%",
        "File Timestamp: CUSTOM",
        "Custom Timestamp: 1000000000",
        "Keep Subfolders: 0",
        "Include Subfolders: 0",
        "Threads: 0",
        "Existing Files: REPLACE",
        "Importing...",
        "Import complete, new files added: 1",
        "Converting...",
        "Processing: " + in,
        "Saving As: " + OutFolder() + "/in_d.psd",
        "OK",
        "Conversion complete",
        "Files converted: 1 of 1",
    };
    // The frame opacity under its option's name is no profile key: said, and the rest applied.
    ASSERT_GE(run.lines.size(), 1 + kBannerLines);
    EXPECT_EQ(run.lines[0], "Error: " + Path("p.ini") + ": unknown key: --FR-SOLID-OPACITY = 5");
    EXPECT_EQ(Lines(run.lines.begin() + 1 + kBannerLines, run.lines.end()), expected);
    EXPECT_EQ(FolderNames(OutFolder()), Lines{"in_d.psd"});

    // A failing job in debug mode: nothing after "Saving As: " for the first file, and the
    // reason as a batch gives it.
    test::WriteBytes(Path("bad.bmp"), "not a bitmap");
    const Outcome failed = Run({"-d", "-q", "-i", Path("bad.bmp"), "-o", OutFolder()});
    ASSERT_GE(failed.lines.size(), 5u);
    EXPECT_EQ(
        Lines(failed.lines.end() - 5, failed.lines.end()),
        (Lines{"Processing: " + Path("bad.bmp"), "Saving As: ", "Not OK",
               "Error: " + Path("bad.bmp") + ": not a Windows bitmap", "Conversion stopped"}));
    EXPECT_EQ(failed.child.err, "pictorbcmd: " + Path("bad.bmp") + ": not a Windows bitmap\n");
}

}  // namespace
}  // namespace pictorb::e2e
