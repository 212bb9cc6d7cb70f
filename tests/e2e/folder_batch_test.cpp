// Batches on the command line: folders and several inputs, the lines of a batch, the exit
// code, parallel processes and an interrupted batch.

#include <algorithm>
#include <filesystem>

#include "e2e/harness.h"

namespace pictorb::e2e {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class FolderBatchTest : public ProgramTest {
  protected:
    // in/ holds four good bitmaps of distinct widths (two in subfolders), a broken one, an
    // empty one and a text file.
    void MakeTree() {
        for (const char* folder : {"in/sub/deeper", "single"}) fs::create_directories(Path(folder));
        WriteBitmap("in/a.bmp", TrueColourSpec(20, 10, 24));
        WriteBitmap("in/b.bmp", TrueColourSpec(21, 10, 32));
        WriteBitmap("in/sub/c.bmp", TrueColourSpec(22, 10, 16));
        WriteBitmap("in/sub/deeper/d.bmp", TrueColourSpec(23, 10, 24));
        test::WriteBytes(Path("in/broken.bmp"), "BM not really");
        test::WriteBytes(Path("in/empty.bmp"), "");
        test::WriteBytes(Path("in/notes.txt"), "text");
    }
};

TEST_F(FolderBatchTest, FolderTreeConvertsAsSingleRunsDoAndNamesEachFailure) {
    MakeTree();
    RunExtras failing;
    failing.expectedExitCode = 1;
    const Outcome run =
        Run({"-q", "--exit-code", "--jobs=3", "--recursive", "-i", Path("in"), "-o", OutFolder()},
            failing);
    // Failures in name order, under -q too; the text file is no input of a folder.
    EXPECT_EQ(run.lines, (Lines{"Error: " + Path("in/broken.bmp") + ": bitmap data cut short",
                                "Error: " + Path("in/empty.bmp") + ": empty file"}));
    EXPECT_EQ(FolderNames(OutFolder()), (Lines{"a.psd", "b.psd", "sub"}));
    EXPECT_EQ(FolderNames(OutFolder() + "/sub"), (Lines{"c.psd", "deeper"}));

    // Each document is the one a single-file run writes.
    for (const char* name : {"a", "b", "sub/c", "sub/deeper/d"}) {
        SCOPED_TRACE(name);
        const std::string input = Path("in/") + name + ".bmp";
        Run({"-q", "-i", input, "-o", Path("single")});
        const std::string base = fs::path(name).filename().string();
        EXPECT_EQ(test::ReadBytes(Path("single/" + base + ".psd")),
                  test::ReadBytes(OutFolder() + "/" + name + ".psd"));
    }

    // Without subfolders the tree is flat; without --recursive only the top folder counts.
    fs::remove_all(OutFolder());
    fs::create_directories(OutFolder());
    const Outcome flat =
        Run({"-i", Path("in/sub"), "--recursive", "--no-subfolders", "-o", OutFolder()});
    EXPECT_EQ(flat.AfterBanner(),
              (Lines{"Preparing...", "Importing...", "Import complete, new files added: 2",
                     "Converting...", "Conversion complete", "Files converted: 2 of 2"}));
    EXPECT_EQ(FolderNames(OutFolder()), (Lines{"c.psd", "d.psd"}));
    Run({"-q", "-i", Path("in"), "-o", Path("single")});
    EXPECT_FALSE(fs::exists(Path("single/sub")));
}

TEST_F(FolderBatchTest, ShellExpandedInputsAndTheExitCode) {
    MakeTree();
    // "-i *.bmp" as the shell expands it, with a name that matches nothing and options after.
    const Outcome run = Run({"-i", Path("in/a.bmp"), Path("in/b.bmp"), Path("in/nothing.bmp"),
                             Path("in/notes.txt"), "-o", OutFolder(), "--flip-vertical"});
    EXPECT_EQ(run.AfterBanner(),
              (Lines{"Preparing...", "Importing...",
                     "Error: " + Path("in/nothing.bmp") + ": no such file or folder",
                     "Error: " + Path("in/notes.txt") + ": not a bitmap (.bmp, .rle, .dib)",
                     "Import complete, new files added: 2", "Converting...", "Conversion complete",
                     "Files converted: 2 of 2"}));
    EXPECT_EQ(FolderNames(OutFolder()), (Lines{"a.psd", "b.psd"}));

    // --exit-code: 0 when every file converted, 1 when one failed, 2 on an option error.
    RunExtras code;
    code.expectedExitCode = 0;
    Run({"-q", "-i", Path("in/a.bmp"), Path("in/b.bmp"), "-o", OutFolder(), "--exit-code"}, code);
    code.expectedExitCode = 1;
    Run({"-q", "--exit-code", "-i", Path("in/broken.bmp")}, code);
    code.expectedExitCode = 2;
    Run({"-q", "--exit-code", "-i", Path("in/a.bmp"), "-o", Path("no-such-folder")}, code);
    Run({"-q", "-i", Path("in/a.bmp"), "--width", "--exit-code"}, code);
}

TEST_F(FolderBatchTest, EightProcessesSharingARuntimeFolderWriteEightDocuments) {
    for (int i = 0; i < 8; ++i)
        WriteBitmap("p" + std::to_string(i) + ".bmp", TrueColourSpec(300 + i, 200, 24));
    const test::ChildResult run = Bash(
        "for i in 0 1 2 3 4 5 6 7; do \"$pictorbcmd\" -q -i p$i.bmp -o \"$PWD/out\" > q$i.txt & "
        "done; "
        "wait; cat q*.txt");
    ASSERT_TRUE(run.exited && run.exitCode == 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(FolderNames(OutFolder()).size(), 8u);
}

TEST_F(FolderBatchTest, InterruptedBatchKeepsWhatItWroteAndLeavesNoPartialFile) {
    // Copies of one picture (one file under several names is one input), so that the batch
    // lasts well past the first document.
    constexpr int kFiles = 24;
    fs::create_directories(Path("in"));
    WriteBitmap("in/p10.bmp", TrueColourSpec(1600, 1200, 24));
    for (int i = 11; i < 10 + kFiles; ++i)
        fs::copy_file(Path("in/p10.bmp"), Path("in/p" + std::to_string(i) + ".bmp"));
    // A closed terminal stops a command-line batch as SIGTERM does.
    for (const char* signal : {"INT", "TERM", "HUP"}) {
        SCOPED_TRACE(signal);
        fs::remove_all(OutFolder());
        fs::create_directories(OutFolder());
        // Job control, so that the background program does not ignore SIGINT.
        const test::ChildResult run =
            Bash(std::string("set -m; \"$pictorbcmd\" --exit-code --jobs=2 -i in -o \"$PWD/out\" > "
                             "lines.txt & pid=$!; "
                             "until ls out | grep -q psd; do sleep 0.01; done; kill -") +
                 signal + " $pid; wait $pid; echo $?");
        ASSERT_TRUE(run.exited) << run.err;
        EXPECT_EQ(run.out, "1\n");  // stopped: not every file was converted
        const Lines names = FolderNames(OutFolder());
        const auto written = static_cast<std::size_t>(
            std::count_if(names.begin(), names.end(), [](const std::string& name) {
                return name.size() == 7 && name.compare(3, 4, ".psd") == 0;
            }));
        EXPECT_EQ(written, names.size()) << "a file other than a finished document";
        EXPECT_GE(written, 1u);
        EXPECT_LT(written, static_cast<std::size_t>(kFiles));
        for (const std::string& name : names) EXPECT_TRUE(ReadPsd(OutFolder() + "/" + name));
        const Lines lines = test::SplitCrLfLines(
            test::DecodeUtf16Le(test::ReadBytes(Path("lines.txt")).value_or("")));
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], "Conversion stopped");
        EXPECT_EQ(lines.back(),
                  "Files converted: " + std::to_string(written) + " of " + std::to_string(kFiles));
    }
}

}  // namespace
}  // namespace pictorb::e2e
