// The batch recipes of the README run as written: the parallel one converts every file, and
// command-line starts that share a runtime folder run side by side.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "e2e/harness.h"

namespace pictorb::e2e {
namespace {

namespace fs = std::filesystem;

// The first line of the README's indented code blocks that starts with `prefix`.
std::string ReadmeLine(std::string_view prefix) {
    std::ifstream in(std::string(PICTORB_SOURCE_DIR) + "/README.md");
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start >= 4 && start != std::string::npos &&
            line.compare(start, prefix.size(), prefix) == 0)
            return line.substr(start);
    }
    return {};
}

class BatchTest : public ProgramTest {
  protected:
    // Runs a bash script in the fixture's folder with the built program first on PATH, the
    // fixture's HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR, and TMPDIR inside the fixture.
    test::ChildResult Bash(const std::string& script) const {
        fs::create_directories(Path("bin"));
        fs::create_directories(Path("tmp"));
        if (!fs::exists(Path("bin/pictorbcmd")))
            fs::create_symlink(PICTORBCMD_PATH, Path("bin/pictorbcmd"));
        test::ChildOptions options;
        options.program = "/bin/bash";
        options.args = {"-c", script};
        options.workingDirectory = dir_.Path();
        options.environment = test::IsolatedEnvironment(dir_.Path());
        options.environment.emplace_back("PATH", Path("bin") + ":/usr/bin:/bin");
        options.environment.emplace_back("TMPDIR", Path("tmp"));
        options.timeoutMs = 240000;
        return test::RunChild(options);
    }
};

TEST_F(BatchTest, ParallelRecipeConvertsEveryFile) {
    // Its jobs share one runtime folder: command-line conversions do not exclude each other.
    const std::string recipe = ReadmeLine("find . -name '*.bmp' -print0 | xargs -0 -P");
    ASSERT_FALSE(recipe.empty()) << "the README lost its parallel recipe";
    constexpr int kFiles = 16;
    fs::create_directories(Path("in/out"));
    for (int i = 0; i < kFiles; ++i)
        WriteBitmap("in/photo " + std::to_string(i) + ".bmp", TrueColourSpec(40 + i, 30, 24));
    fs::create_directories(Path("in/out"));

    // Four jobs, whatever this machine has.
    const test::ChildResult run = Bash("nproc() { echo 4; }; cd in && " + recipe);
    ASSERT_TRUE(run.exited && run.exitCode == 0) << run.err;
    EXPECT_EQ(run.err, "");

    for (int i = 0; i < kFiles; ++i) {
        SCOPED_TRACE(i);
        const std::optional<Picture> psd =
            ReadPsd(Path("in/out/photo " + std::to_string(i) + ".psd"));
        ASSERT_TRUE(psd.has_value());
        EXPECT_EQ(psd->width, 40 + i);
        EXPECT_EQ(psd->height, 30);
    }
    EXPECT_EQ(FolderNames(Path("in/out")).size(), static_cast<std::size_t>(kFiles));
    EXPECT_EQ(FolderNames(Path("tmp")), std::vector<std::string>{}) << "runtime folders left";
}

TEST_F(BatchTest, CommandLineStartsShareARuntimeFolderSideBySide) {
    WriteBitmap("a.bmp", TrueColourSpec(32, 24, 24));
    WriteBitmap("b.bmp", TrueColourSpec(32, 24, 24));
    fs::create_directories(Path("out1"));
    fs::create_directories(Path("out2"));
    // The first start is still running, waiting for a key (-p) until `sleep` ends its input,
    // when the second start with the same runtime folder comes; both convert.
    const test::ChildResult run = Bash(
        "(sleep 4 | pictorbcmd -p -i a.bmp -o \"$PWD/out1\" > first.txt) & "
        "sleep 1.5; pictorbcmd -i b.bmp -o \"$PWD/out2\" > second.txt; echo \"second $?\"; "
        "kill -0 $! && echo 'first still running'; wait");
    ASSERT_TRUE(run.exited && run.exitCode == 0) << run.err;
    EXPECT_EQ(run.out, "second 0\nfirst still running\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(FolderNames(Path("out1")), std::vector<std::string>{"a.psd"});
    EXPECT_EQ(FolderNames(Path("out2")), std::vector<std::string>{"b.psd"});
    for (const char* output : {"first.txt", "second.txt"}) {
        SCOPED_TRACE(output);
        const std::vector<std::string> lines =
            test::SplitCrLfLines(test::DecodeUtf16Le(test::ReadBytes(Path(output)).value_or("")));
        EXPECT_NE(std::find(lines.begin(), lines.end(), "Conversion complete"), lines.end());
    }
}

}  // namespace
}  // namespace pictorb::e2e
