// Many files in one run: the input file map filled from folders, and the worker pool.

#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "pipeline/batch.h"
#include "platform/files.h"
#include "settings/settings.h"
#include "support/bmp_writer.h"

namespace pictorb {
namespace {

namespace fs = std::filesystem;

// The address space this process has mapped, from /proc/self/status.
uint64_t AddressSpaceInUse() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmSize:", 0) == 0) return std::stoull(line.substr(7)) * 1024;
    return 0;
}

class BatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pictorb-batch-" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "out");
        formats_ = MakeFormats();
        InitJobContext(job_, formats_);
        SetDefaults(settings_, DefaultsFor::CommandLine, formats_);
        job_.outputFolder = Path("out") + "/";
        SetOutputFormat(job_, settings_, "psd");
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    // Converts the map with two workers and a budget that lets two files run at once, in an
    // address space limited to `headroom` MiB beyond what is mapped, and ends the process:
    // status 0 when all `files` were converted, else 1, plus 2 when a file was converted again
    // alone.
    [[noreturn]] void ConvertWithin(uint64_t headroom, int32_t files) {
        mallopt(M_ARENA_MAX, 1);  // as the program runs: one heap for every thread
        const rlimit limit = {AddressSpaceInUse() + (headroom << 20), RLIM_INFINITY};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(99);
        const PoolReport report = Convert(2, uint64_t{1} << 40);
        const int code =
            (progress_.record.converted == files ? 0 : 1) + (report.retriedAlone > 0 ? 2 : 0);
        fs::remove_all(folder_);  // this process's own folder: no TearDown follows
        _exit(code);
    }

    // A bitmap `width` pixels wide, so that documents tell which input they came from.
    std::string Bitmap(const std::string& name, int width = 3, int height = 2) const {
        testsupport::BmpSpec spec;
        spec.width = width;
        spec.height = height;
        spec.pixels.assign(static_cast<std::size_t>(width) * height,
                           testsupport::Rgba{10, 20, 30, 255});
        fs::create_directories(fs::path(Path(name)).parent_path());
        testsupport::WriteFile(Path(name), testsupport::MakeBmp(spec));
        return Path(name);
    }

    // The map's entries as "path relative to the test folder -> relative folder".
    std::vector<std::string> Entries() const {
        std::vector<std::string> list;
        for (const auto& [path, entry] : job_.inputFiles)
            list.push_back(path.substr(folder_.string().size() + 1) + " -> " +
                           entry.relativeFolder);
        return list;
    }

    PoolReport Convert(int32_t workers, uint64_t budget = 0) {
        progress_.record = ProgressRecord{0, {}, 0, 1};
        return RunConversionPool(JobEnvironment{settings_, job_, formats_, nullptr}, progress_,
                                 PoolOptions{workers, budget});
    }

    // The width stored in a document's header.
    uint32_t DocumentWidth(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        unsigned char header[22] = {};
        in.read(reinterpret_cast<char*>(header), sizeof header);
        return uint32_t{header[18]} << 24 | uint32_t{header[19]} << 16 | uint32_t{header[20]} << 8 |
               header[21];
    }

    fs::path folder_;
    Formats formats_;
    JobContext job_;
    ConversionSettings settings_;
    SharedProgress progress_;
};

TEST_F(BatchTest, FoldersAddTheirBitmapsWithTheirRelativeFolders) {
    Bitmap("in/b.bmp");
    Bitmap("in/A.BMP");
    Bitmap("in/c.Dib");
    Bitmap("in/sub/d.rle");
    Bitmap("in/sub/deep/e.bmp");
    std::ofstream(Path("in/notes.txt")) << "not a picture";
    std::ofstream(Path("in/empty.bmp"));  // taken: it fails with its reason when converted
    Bitmap("outside.bmp");
    fs::create_symlink("../outside.bmp", Path("in/link.bmp"));
    fs::create_symlink("..", Path("in/sub/loop"));  // a folder link: never followed
    fs::create_directories(Path("nothing"));

    std::vector<InputProblem> problems;
    EXPECT_EQ(AddInputPath(job_, formats_, Path("in/"), false, problems), 5);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"in/A.BMP -> ", "in/b.bmp -> ", "in/c.Dib -> ",
                                                   "in/empty.bmp -> ", "in/link.bmp -> "}));
    EXPECT_TRUE(problems.empty());

    job_.inputFiles.clear();
    EXPECT_EQ(AddInputPath(job_, formats_, Path("in"), true, problems), 7);
    EXPECT_EQ(Entries()[5], "in/sub/d.rle -> sub/");
    EXPECT_EQ(Entries()[6], "in/sub/deep/e.bmp -> sub/deep/");
    // The same file named again adds nothing.
    EXPECT_EQ(AddInputPath(job_, formats_, Path("in/b.bmp"), true, problems), 0);
    EXPECT_TRUE(problems.empty());

    // What cannot be an input is named with its reason, in the order met.
    AddInputPath(job_, formats_, Path("missing.bmp"), true, problems);
    AddInputPath(job_, formats_, Path("in/notes.txt"), true, problems);
    AddInputPath(job_, formats_, Path("nothing"), true, problems);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].reason, "no such file or folder");
    EXPECT_EQ(problems[1].reason, "not a bitmap (.bmp, .rle, .dib)");
    EXPECT_EQ(problems[2].reason, "no bitmap (.bmp, .rle, .dib) in this folder");
}

TEST_F(BatchTest, TheSameFileUnderAnotherNameIsNotAddedAgain) {
    Bitmap("t1/g1.bmp");
    Bitmap("t1/g2.bmp");
    fs::create_symlink("g1.bmp", Path("t1/same.bmp"));
    fs::create_hard_link(Path("t1/g2.bmp"), Path("t1/g2-again.bmp"));
    std::vector<InputProblem> problems;
    const fs::path before = fs::current_path();
    fs::current_path(folder_);
    EXPECT_EQ(AddInputPath(job_, formats_, "t1", false, problems), 2);
    EXPECT_EQ(AddInputPath(job_, formats_, "./t1", false, problems), 0);
    EXPECT_EQ(AddInputPath(job_, formats_, "./t1/g1.bmp", false, problems), 0);
    EXPECT_EQ(AddInputPath(job_, formats_, Path("t1/g2.bmp"), false, problems), 0);
    fs::current_path(before);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(job_.inputFiles.size(), 2u);
    // The name met first is the one kept.
    EXPECT_EQ(job_.inputFiles.begin()->first, "t1/g1.bmp");
}

TEST_F(BatchTest, WhatIsNoRegularFileIsNamedAndNeverOpened) {
    Bitmap("in/a.bmp");
    fs::create_directories(Path("elsewhere"));
    ASSERT_EQ(mkfifo(Path("in/fifo.bmp").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(Path("elsewhere/pipe").c_str(), 0600), 0);
    fs::create_symlink("../elsewhere/pipe", Path("in/pipe-link.bmp"));
    fs::create_symlink("../elsewhere/gone.bmp", Path("in/broken.bmp"));
    fs::create_symlink("../elsewhere", Path("in/folder-link.bmp"));  // never followed
    std::ofstream(Path("in/fifo-list.txt"));  // not named like a bitmap: no line

    std::vector<InputProblem> problems;
    EXPECT_EQ(AddInputPath(job_, formats_, Path("in"), true, problems), 1);
    EXPECT_EQ(AddInputPath(job_, formats_, Path("in/fifo.bmp"), true, problems), 0);
    std::vector<std::string> named;
    for (const InputProblem& problem : problems)
        named.push_back(problem.path.substr(folder_.string().size() + 1) + ": " + problem.reason);
    EXPECT_EQ(named,
              (std::vector<std::string>{
                  "in/broken.bmp: no such file or folder", "in/fifo.bmp: not a regular file",
                  "in/pipe-link.bmp: not a regular file", "in/fifo.bmp: not a regular file"}));
}

TEST_F(BatchTest, AFolderThatCannotBeListedOrEnteredIsReported) {
    Bitmap("in/a.bmp");
    Bitmap("in/locked/b.bmp");
    Bitmap("in/open/c.bmp");
    // Mode 0600 lists the names but reaches none of them. The folder belongs to the user the
    // child runs as, so that its owner's bits count.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(Path("in/locked").c_str(), 65534, 65534), 0);
    }
    for (const mode_t mode : {0000, 0600}) {
        SCOPED_TRACE(mode);
        job_.inputFiles.clear();
        chmod(Path("in/locked").c_str(), mode);
        // In a child, as an ordinary user: root reads every folder.
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (geteuid() == 0 && setuid(65534) != 0) _exit(99);
            std::vector<InputProblem> problems;
            const int32_t added = AddInputPath(job_, formats_, Path("in"), true, problems);
            const bool named = problems.size() == 1 && problems[0].path == Path("in/locked") &&
                               problems[0].reason == "cannot read folder: Permission denied";
            _exit(added == 2 && named ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        chmod(Path("in/locked").c_str(), 0755);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

TEST_F(BatchTest, MemoryBudgetKeepsLargeFilesApart) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) Bitmap(name, 64);
    std::vector<InputProblem> problems;
    AddInputPath(job_, formats_, folder_.string(), false, problems);
    const uint64_t one = EstimatePeakBytes(64, 2);

    // Room for one and a half: never two in flight, however many workers.
    PoolReport report = Convert(4, one + one / 2);
    EXPECT_EQ(report.mostInFlight, 1);
    EXPECT_EQ(progress_.record.converted, 4);
    // A file that alone exceeds the budget still runs, alone.
    report = Convert(4, 1);
    EXPECT_EQ(report.mostInFlight, 1);
    EXPECT_EQ(progress_.record.converted, 4);
    // Room enough: the workers share the files.
    report = Convert(4, one * 100);
    EXPECT_EQ(progress_.record.converted, 4);
    EXPECT_GE(report.workers, 1);
    EXPECT_LE(report.mostInFlight, 4);
}

TEST(PoolPlanTest, WorkersAndBudgetFollowWhatTheProcessMayUse) {
    constexpr uint64_t kMiB = uint64_t{1} << 20;
    ProcessResources machine;  // 2 CPUs, 8 GiB, no limits
    machine.cpus = 2;
    machine.physicalMemory = 8192 * kMiB;
    ProcessResources container = machine;  // a 400 MiB cgroup limit, 30 MiB of it in use
    container.memoryLeft = 370 * kMiB;
    ProcessResources limited = machine;  // prlimit --as: 300 MiB left, 8 MiB per stack
    limited.addressSpaceLeft = 300 * kMiB;
    limited.threadStackBytes = 8 * kMiB;
    ProcessResources bound = machine;  // taskset -c 0, or a quota of half a CPU
    bound.cpus = 1;
    struct Case {
        const char* name;
        ProcessResources resources;
        int32_t requested;
        std::size_t files;
        int32_t workers;
        uint64_t budget;
        unsigned stageThreads;
    };
    const Case cases[] = {
        {"default", machine, 0, 16, 2, 4096 * kMiB, 1},
        {"--jobs=100000", machine, 100000, 5000, 4, 4096 * kMiB, 1},
        {"--jobs=3", machine, 3, 5000, 3, 4096 * kMiB, 1},
        {"fewer files than CPUs", machine, 0, 1, 1, 4096 * kMiB, 2},
        {"no files", machine, 0, 0, 0, 4096 * kMiB, 1},
        {"cgroup memory limit", container, 0, 16, 2, 370 * kMiB, 1},
        {"address space limit", limited, 4, 16, 4, 300 * kMiB - 3 * 8 * kMiB, 1},
        {"one CPU", bound, 0, 16, 1, 4096 * kMiB, 1},
        {"one CPU, --jobs=64", bound, 64, 5000, 2, 4096 * kMiB, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PoolPlan plan = PlanConversionPool(c.requested, c.files, c.resources);
        EXPECT_EQ(plan.workers, c.workers);
        EXPECT_EQ(plan.memoryBudget, c.budget);
        EXPECT_EQ(plan.stageThreads, c.stageThreads);
    }
}

TEST_F(BatchTest, WorkersAreCappedByTheCpusTheProcessMayUse) {
    const int cpus = QueryProcessResources().cpus;
    const int files = 2 * cpus + 3;
    for (int i = 0; i < files; ++i) Bitmap("in/" + std::to_string(i) + ".bmp");
    std::vector<InputProblem> problems;
    AddInputPath(job_, formats_, Path("in"), false, problems);
    const PoolReport report = Convert(100000);
    EXPECT_EQ(report.workers, 2 * cpus);
    EXPECT_EQ(progress_.record.converted, files);
}

TEST_F(BatchTest, AFileThatRanOutOfMemoryBesideAnotherIsConvertedAgainAlone) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "address-space limits do not fit a sanitizer's shadow memory";
#endif
    // Each run in a fresh process: the address space of one that ran other tests holds freed
    // heaps and thread stacks that a limit would not count.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    constexpr int kFiles = 3;
    for (int i = 0; i < kFiles; ++i) Bitmap("in/" + std::to_string(i) + ".bmp", 3000, 2250);
    std::vector<InputProblem> problems;
    AddInputPath(job_, formats_, Path("in"), false, problems);
    // Limits between one file's need and two files' (a 24-bit picture of 20 MB needs some
    // 25 MB, the document being streamed from it): two at once run out of memory, and the
    // file that did is converted again alone. Allocations near a limit are not exact, hence a
    // few limits.
    std::vector<int> outcomes;
    for (const uint64_t headroom : {25, 30, 35, 40, 45, 50}) {
        EXPECT_EXIT(
            ConvertWithin(headroom, kFiles),
            [&outcomes](int status) {
                outcomes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
                return true;
            },
            "");
    }
    EXPECT_NE(std::find(outcomes.begin(), outcomes.end(), 2), outcomes.end())
        << ::testing::PrintToString(outcomes);
}

TEST_F(BatchTest, StopWakesEveryWaitingWorkerAtOnce) {
    for (int i = 0; i < 8; ++i) Bitmap("in/" + std::to_string(i) + ".bmp");
    std::vector<InputProblem> problems;
    AddInputPath(job_, formats_, Path("in"), false, problems);
    // The gate is closed (the desktop asks whether to break off): the workers wait; a stop
    // must end them all without any file taken.
    progress_.record = ProgressRecord{0, {}, 0, 1};
    progress_.gateClosed = true;
    std::thread stopper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        StopTakingFiles(progress_);
    });
    const auto start = std::chrono::steady_clock::now();
    RunConversionPool(JobEnvironment{settings_, job_, formats_, nullptr}, progress_,
                      PoolOptions{4, 0});
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(progress_.outcomes.empty());
    progress_.gateClosed = false;
}

TEST_F(BatchTest, OutputNamesAndNumbersFollowTheOrderOfFilesNotOfWorkers) {
    // x/deep.bmp and y/deep.bmp meet without subfolders, A.bmp and a.bmp under a lower-case
    // mask: in each pair the later file (in name order) fails and names the earlier one.
    Bitmap("in/x/deep.bmp", 3);
    Bitmap("in/y/deep.bmp", 4);
    Bitmap("in/A.bmp", 5);
    Bitmap("in/a.bmp", 6);
    Bitmap("in/b.bmp", 7);
    settings_.keepSubfolders = 0;
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        fs::remove_all(Path("out"));
        fs::create_directories(Path("out"));
        job_.inputFiles.clear();
        job_.conversionNumber = 1;
        std::vector<InputProblem> problems;
        AddInputPath(job_, formats_, Path("in"), true, problems);
        settings_.filenameMask = "%filename[l]%.%ext%";
        Convert(4);
        ASSERT_EQ(progress_.outcomes.size(), 5u);
        EXPECT_EQ(progress_.outcomes[1].error, ConvertError::SameOutput);
        EXPECT_EQ(progress_.outcomes[1].otherPath, Path("in/A.bmp"));
        EXPECT_EQ(progress_.outcomes[4].error, ConvertError::SameOutput);
        EXPECT_EQ(progress_.outcomes[4].otherPath, Path("in/x/deep.bmp"));
        EXPECT_EQ(DocumentWidth("out/a.psd"), 5u);
        EXPECT_EQ(DocumentWidth("out/deep.psd"), 3u);
        EXPECT_EQ(job_.conversionNumber, 4);  // three converted

        // %n% (five digits) is the file's place in the run. The workers also set each
        // document's time (a local date-time, converted side by side in every worker).
        fs::remove_all(Path("out"));
        fs::create_directories(Path("out"));
        job_.conversionNumber = 1;
        settings_.filenameMask = "%n%.%ext%";
        settings_.fileTimestamp = 2;
        settings_.customTimestamp = NowLocalSeconds() - 86400;
        Convert(4);
        settings_.fileTimestamp = 0;
        EXPECT_EQ(progress_.record.converted, 5);
        EXPECT_EQ(DocumentWidth("out/00001.psd"), 5u);
        EXPECT_EQ(DocumentWidth("out/00005.psd"), 4u);
        EXPECT_EQ(ModifiedTimeLocalSeconds(Path("out/00005.psd")), settings_.customTimestamp);
    }
}

}  // namespace
}  // namespace pictorb
