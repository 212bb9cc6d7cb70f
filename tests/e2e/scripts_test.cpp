// Batches as scripts and cluster jobs run them: odd files among the inputs, one input named
// twice, resource limits, existing documents, lists of inputs, unknown options and logs.

#include <sys/stat.h>

#include <filesystem>

#include "e2e/harness.h"

namespace pictorb::e2e {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class ScriptsTest : public ProgramTest {
  protected:
    // in/ holds a.bmp and b.bmp, 20 and 21 pixels wide.
    void MakeInputs() {
        fs::create_directories(Path("in"));
        WriteBitmap("in/a.bmp", TrueColourSpec(20, 10, 24));
        WriteBitmap("in/b.bmp", TrueColourSpec(21, 10, 24));
    }
    // The lines of a run after "Converting...".
    static Lines AfterConverting(const Lines& lines) {
        const auto at = std::find(lines.begin(), lines.end(), "Converting...");
        return at == lines.end() ? lines : Lines(at + 1, lines.end());
    }
};

TEST_F(ScriptsTest, AFifoAmongTheInputsIsNamedAndNeverWaitedFor) {
    MakeInputs();
    ASSERT_EQ(mkfifo(Path("in/fifo.bmp").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    fs::create_symlink("../pipe", Path("in/link.bmp"));
    RunExtras failing;
    failing.expectedExitCode = 1;
    failing.timeoutMs = 20000;  // a run that waits for a writer would end here
    const std::string fifo = Path("in/fifo.bmp");
    const Outcome named =
        Run({"-q", "--exit-code", "-i", Path("in/a.bmp"), fifo, "-o", OutFolder()}, failing);
    EXPECT_EQ(named.lines, Lines{"Error: " + fifo + ": not a regular file"});
    const Outcome folder = Run({"-q", "--exit-code", "-i", Path("in"), "-o", OutFolder()}, failing);
    EXPECT_EQ(folder.lines, (Lines{"Error: " + fifo + ": not a regular file",
                                   "Error: " + Path("in/link.bmp") + ": not a regular file"}));
    EXPECT_EQ(FolderNames(OutFolder()), (Lines{"a.psd", "b.psd"}));
}

TEST_F(ScriptsTest, TheSameInputSpelledTwoWaysIsConvertedOnce) {
    MakeInputs();
    RunExtras relative;
    relative.workingDirectory = dir_.Path();
    const std::pair<Lines, std::string> cases[] = {
        {{"-i", "in", "-i", "./in"}, "Files converted: 2 of 2"},
        {{"-i", "in/a.bmp", "-i", "./in/a.bmp", "in//a.bmp"}, "Files converted: 1 of 1"},
    };
    for (const auto& [inputs, counts] : cases) {
        SCOPED_TRACE(counts);
        Lines args = inputs;
        args.insert(args.end(), {"--exit-code", "-o", OutFolder()});
        EXPECT_EQ(AfterConverting(Run(args, relative).lines),
                  (Lines{"Conversion complete", counts}));
    }
}

TEST_F(ScriptsTest, AnAddressSpaceLimitRunsFewerFilesAtOnceInsteadOfFailingThem) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "address-space limits do not fit a sanitizer's shadow memory";
#endif
    // Pictures of 2000 x 1500 need some 40 MB each: 75 MB of address space holds the
    // program and one conversion, not two.
    fs::create_directories(Path("in"));
    WriteBitmap("in/p0.bmp", TrueColourSpec(2000, 1500, 24));
    for (int i = 1; i < 6; ++i)
        fs::copy_file(Path("in/p0.bmp"), Path("in/p" + std::to_string(i) + ".bmp"));
    const test::ChildResult run = Bash(
        "ulimit -v 75000 && \"$pictorbcmd\" -q --exit-code --jobs=2 -i in -o \"$PWD/out\" "
        "--output-encoding=utf-8; echo \"status $?\"");
    EXPECT_EQ(run.out, "status 0\n");
    EXPECT_EQ(FolderNames(OutFolder()).size(), 6u);
}

TEST_F(ScriptsTest, ExistingDocumentsAreReplacedSkippedOrReplacedWhenOlder) {
    MakeInputs();
    ASSERT_EQ(Run({"-q", "-i", Path("in"), "-o", OutFolder()}).lines, Lines{});
    const std::string a = OutFolder() + "/a.psd";
    const std::string b = OutFolder() + "/b.psd";
    test::WriteBytes(a, "kept");
    // b's document is older than its input, a's newer.
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time(Path("in/b.bmp"), now);
    fs::last_write_time(b, now - std::chrono::hours(1));
    fs::last_write_time(a, now + std::chrono::hours(1));

    // One worker: the debug lines of a file come as it finishes.
    const Outcome skip =
        Run({"-d", "--jobs=1", "--existing=skip", "-i", Path("in"), "-o", OutFolder()});
    EXPECT_EQ(
        AfterConverting(skip.lines),
        (Lines{"Processing: " + Path("in/a.bmp"), "Saving As: " + a, "Skipped: the document exists",
               "Processing: " + Path("in/b.bmp"), "Saving As: " + b, "Skipped: the document exists",
               "Conversion complete", "Files converted: 0 of 2"}));
    EXPECT_EQ(test::ReadBytes(a), "kept");

    // In a profile as well; a skipped file is no failure.
    test::WriteBytes(Path("p.ini"), "[CLI]\r\n--existing = OLDER\r\n");
    const Outcome older =
        Run({"--exit-code", "--profile=" + Path("p.ini"), "-i", Path("in"), "-o", OutFolder()});
    EXPECT_EQ(AfterConverting(older.lines),
              (Lines{"Conversion complete", "Files converted: 1 of 2"}));
    EXPECT_EQ(test::ReadBytes(a), "kept");
    EXPECT_GT(fs::last_write_time(b), now - std::chrono::minutes(1));

    // The default replaces.
    EXPECT_EQ(AfterConverting(Run({"-i", Path("in"), "-o", OutFolder()}).lines),
              (Lines{"Conversion complete", "Files converted: 2 of 2"}));
    EXPECT_NE(test::ReadBytes(a), "kept");
}

TEST_F(ScriptsTest, InputsFromAListFileOrStandardInput) {
    MakeInputs();
    fs::create_directories(Path("in/sub"));
    WriteBitmap("in/sub/c.bmp", TrueColourSpec(22, 10, 24));
    RunExtras inFixture;
    inFixture.workingDirectory = dir_.Path();
    inFixture.expectedExitCode = 1;
    // Lines relative to the current folder, CR LF too, blank lines, a folder, a missing name.
    test::WriteBytes(Path("files.txt"), "in/a.bmp\r\n\n   \nin/sub\nin/missing.bmp\n");
    const Outcome listed =
        Run({"-q", "--exit-code", "--files-from=files.txt", "-o", OutFolder()}, inFixture);
    EXPECT_EQ(listed.lines, Lines{"Error: in/missing.bmp: no such file or folder"});
    EXPECT_EQ(FolderNames(OutFolder()), (Lines{"a.psd", "c.psd"}));

    // find -print0 | pictorbcmd --files-from=- --null, with -i beside it.
    fs::remove_all(OutFolder());
    fs::create_directories(OutFolder());
    inFixture.expectedExitCode = 0;
    inFixture.stdinBytes = std::string("in/sub/c.bmp\0in/b.bmp\0", 22);
    const Outcome piped =
        Run({"--files-from=-", "--null", "-i", "in/a.bmp", "-o", OutFolder()}, inFixture);
    EXPECT_EQ(AfterConverting(piped.lines),
              (Lines{"Conversion complete", "Files converted: 3 of 3"}));
    EXPECT_EQ(FolderNames(OutFolder()), (Lines{"a.psd", "b.psd", "c.psd"}));

    // A list that cannot be read is an input that cannot be used.
    inFixture.expectedExitCode = 1;
    EXPECT_EQ(Run({"-q", "--exit-code", "--files-from=nothing.txt"}, inFixture).lines,
              (Lines{"Error: nothing.txt: cannot read the list of inputs", "Conversion stopped",
                     "No input file(s) found. Please, add valid file(s) and try again!"}));
}

TEST_F(ScriptsTest, UnknownOptionsDoubleDashAndAnExitCodeWithoutInput) {
    MakeInputs();
    fs::copy_file(Path("in/a.bmp"), Path("-dash.bmp"));
    RunExtras inFixture;
    inFixture.workingDirectory = dir_.Path();
    // A typo is ignored but said; the run goes on.
    const Outcome typo =
        Run({"-q", "--recusive", "-X=1", "-i", "in", "-o", OutFolder()}, inFixture);
    EXPECT_EQ(typo.lines, Lines{});
    EXPECT_EQ(typo.child.err,
              "pictorbcmd: unknown option --recusive ignored\n"
              "pictorbcmd: unknown option -X ignored\n");
    EXPECT_EQ(FolderNames(OutFolder()), (Lines{"a.psd", "b.psd"}));

    // With --exit-code it ends the run with code 2 before anything is converted.
    fs::remove_all(OutFolder());
    fs::create_directories(OutFolder());
    inFixture.expectedExitCode = 2;
    const Outcome strict =
        Run({"-q", "--exit-code", "--recusive", "-i", "in", "-o", OutFolder()}, inFixture);
    EXPECT_EQ(strict.child.err, "pictorbcmd: unknown option --recusive ignored\n");
    EXPECT_EQ(FolderNames(OutFolder()), Lines{});

    // After "--" every parameter is an input, a name starting with "-" too.
    inFixture.expectedExitCode = 0;
    const Outcome dashed =
        Run({"-q", "--exit-code", "-o", OutFolder(), "--", "-dash.bmp"}, inFixture);
    EXPECT_EQ(dashed.child.err, "");
    EXPECT_EQ(FolderNames(OutFolder()), Lines{"-dash.psd"});

    // --exit-code without any input is a script's mistake, not a wish for the window.
    inFixture.expectedExitCode = 2;
    inFixture.environment = {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}};
    const Outcome noInput = Run({"--exit-code", "-o", OutFolder()}, inFixture);
    EXPECT_EQ(noInput.lines, Lines{"Error: No input given (-i, --files-from or --)"});
    EXPECT_EQ(noInput.child.err, "");
}

TEST_F(ScriptsTest, RedirectedOutputAsUtf8ForLogs) {
    MakeInputs();
    const Outcome utf8 = Run(
        {"--output-encoding=UTF-8", "-i", Path("in/a.bmp"), Path("in/x.bmp"), "-o", OutFolder()});
    EXPECT_EQ(utf8.child.out.substr(0, 21), "Corvalen Pictorb 2.2\n");
    EXPECT_NE(utf8.child.out.find("\nError: " + Path("in/x.bmp") + ": no such file or folder\n"),
              std::string::npos);
    EXPECT_EQ(utf8.child.out.find('\r'), std::string::npos);
    EXPECT_EQ(utf8.child.out.substr(utf8.child.out.size() - 24), "Files converted: 1 of 1\n");

    // A profile key too; the default stays UTF-16LE.
    test::WriteBytes(Path("p.ini"), "[CLI]\r\n--output-encoding = utf-8\r\n");
    test::WriteBytes(Path("bad.bmp"), "BM, but no bitmap");
    EXPECT_EQ(Run({"-q", "--profile=" + Path("p.ini"), "-i", Path("bad.bmp")}).child.out,
              "Conversion stopped\n");
    EXPECT_EQ(Run({"-q", "-i", Path("bad.bmp")}).lines, Lines{"Conversion stopped"});
}

}  // namespace
}  // namespace pictorb::e2e
