// The batch recipes of the README run as written: the parallel one converts every file, the
// ones that tell success from failure tell a batch with one broken file, the cluster recipes
// convert every slice of files.txt and fail the task with the broken file, and command-line
// starts that share a runtime folder run side by side.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

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

// The README's indented code blocks between the heading `heading` and the next heading, each
// without its indentation.
std::vector<std::string> ReadmeBlocks(std::string_view heading) {
    std::ifstream in(std::string(PICTORB_SOURCE_DIR) + "/README.md");
    std::vector<std::string> blocks;
    std::string line;
    bool inSection = false;
    bool inBlock = false;
    while (std::getline(in, line)) {
        if (line.rfind("#", 0) == 0) {
            if (inSection) break;
            inSection = line.find(heading) != std::string::npos;
            continue;
        }
        const bool code = line.rfind("    ", 0) == 0;
        if (inSection && code) {
            if (!inBlock) blocks.emplace_back();
            blocks.back() += line.substr(4) + "\n";
        }
        inBlock = code;
    }
    return blocks;
}

// The block that holds `part`; empty when there is none.
std::string BlockWith(const std::vector<std::string>& blocks, std::string_view part) {
    for (const std::string& block : blocks)
        if (block.find(part) != std::string::npos) return block;
    return {};
}

// `text` with every `from` replaced by `to`.
std::string Replaced(std::string text, std::string_view from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

class BatchTest : public ProgramTest {
  protected:
    // Runs a bash script with the built program first on PATH and TMPDIR inside the fixture.
    test::ChildResult BashWithProgram(const std::string& script, Environment extra = {}) const {
        fs::create_directories(Path("bin"));
        fs::create_directories(Path("tmp"));
        if (!fs::exists(Path("bin/pictorbcmd")))
            fs::create_symlink(PICTORBCMD_PATH, Path("bin/pictorbcmd"));
        extra.emplace_back("PATH", Path("bin") + ":/usr/bin:/bin");
        extra.emplace_back("TMPDIR", Path("tmp"));
        return Bash(script, extra);
    }
};

TEST_F(BatchTest, SuccessRecipesTellABatchWithABrokenFile) {
    const std::vector<std::string> recipes =
        ReadmeBlocks("How a script tells success from failure");
    ASSERT_EQ(recipes.size(), 4u) << "the README's success recipes changed";
    fs::create_directories(Path("scans"));
    WriteBitmap("scans/a.bmp", TrueColourSpec(20, 10, 24));
    WriteBitmap("scans/b.bmp", TrueColourSpec(21, 10, 24));
    WriteBitmap("in.bmp", TrueColourSpec(22, 10, 24));
    for (const bool broken : {false, true}) {
        if (broken) {
            test::WriteBytes(Path("scans/c.bmp"), "BM, but cut short");
            test::WriteBytes(Path("in.bmp"), "BM, but cut short");
        }
        for (const std::string& recipe : recipes) {
            SCOPED_TRACE((broken ? "broken: " : "good: ") + recipe);
            const test::ChildResult run = BashWithProgram(recipe);
            ASSERT_TRUE(run.exited) << run.err;
            // The recipe's verdict ends its output (the program's lines may come before).
            const std::string verdict = broken ? "failed\n" : "ok\n";
            EXPECT_TRUE(run.out.ends_with(verdict)) << run.out;
            EXPECT_EQ(run.out.ends_with("\nok\n") || run.out == "ok\n", !broken) << run.out;
        }
    }
}

TEST_F(BatchTest, ClusterRecipesConvertEverySliceAndFailTheTaskWithABrokenFile) {
    const std::vector<std::string> blocks = ReadmeBlocks("Batch conversion and scale-out");
    const std::string slices = BlockWith(blocks, "SLURM_ARRAY_TASK_COUNT");
    const std::string perFile = BlockWith(blocks, "--array=0-999");
    // The Kubernetes Job's script: the lines of its "args" block scalar.
    const std::string job = BlockWith(blocks, "kind: Job");
    std::string pod;
    const std::size_t args = job.find("- |\n");
    ASSERT_NE(args, std::string::npos) << "the README's Job lost its script";
    std::istringstream lines(job.substr(args + 4));
    for (std::string line; std::getline(lines, line) && line.rfind("          ", 0) == 0;)
        pod += line.substr(10) + "\n";
    ASSERT_FALSE(slices.empty() || perFile.empty() || pod.empty());

    // files.txt: five good bitmaps and a broken one, by absolute path.
    fs::create_directories(Path("shared/in"));
    std::string list;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "shared/in/p" + std::to_string(i) + ".bmp";
        if (i == 2)
            test::WriteBytes(Path(name), "BM, but cut short");
        else
            WriteBitmap(name, TrueColourSpec(20 + i, 10, 24));
        list += Path(name) + "\n";
    }
    test::WriteBytes(Path("files.txt"), list);
    const auto expectTasks = [&](const std::string& script, const std::string& indexVariable,
                                 int tasks, Environment environment) {
        fs::remove_all(Path("shared/out"));
        fs::create_directories(Path("shared/out"));
        std::string statuses;
        for (int task = 0; task < tasks; ++task) {
            environment.emplace_back(indexVariable, std::to_string(task));
            const test::ChildResult run = BashWithProgram(script, environment);
            environment.pop_back();
            ASSERT_TRUE(run.exited) << run.err;
            statuses += std::to_string(run.exitCode);
        }
        // Only the task whose share holds the broken file fails; every other file is written.
        EXPECT_EQ(statuses, tasks == 3 ? "010" : "001000");
        EXPECT_EQ(FolderNames(Path("shared/out")).size(), 5u);
    };
    const std::string shared = Path("shared") + "/";
    {
        SCOPED_TRACE("Slurm, slices");
        expectTasks(Replaced(slices, "/shared/", shared), "SLURM_ARRAY_TASK_ID", 3,
                    {{"SLURM_ARRAY_TASK_COUNT", "3"}, {"SLURM_CPUS_PER_TASK", "2"}});
    }
    {
        SCOPED_TRACE("Slurm, one file per task");
        expectTasks(Replaced(perFile, "/shared/", shared), "SLURM_ARRAY_TASK_ID", 6, {});
    }
    {
        SCOPED_TRACE("Kubernetes");
        test::WriteBytes(Path("shared/files.txt"), list);
        expectTasks(Replaced(pod, "/data/", shared), "JOB_COMPLETION_INDEX", 3, {{"SLICES", "3"}});
    }
}

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
    const test::ChildResult run = BashWithProgram("nproc() { echo 4; }; cd in && " + recipe);
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
    const test::ChildResult run = BashWithProgram(
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
