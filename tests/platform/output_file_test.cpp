// How the writer's platform side puts a finished document in place (platform/output_file.h),
// and the removal of a named temporary file on Ctrl+C and SIGTERM.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/interrupt_cleanup.h"
#include "platform/output_file.h"

namespace pictorb {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The wait status of `body` run in a child process that ends with _exit(0) after it.
int InChild(const std::function<void()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = -1;
    waitpid(child, &status, 0);
    return status;
}

class OutputFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/pictorb-place-XXXXXX";
        folder_ = mkdtemp(pattern);
        output_ = folder_ + "/out.psd";
        temp_ = folder_ + "/pictorbtemp.psd";
        // The unnamed route is expected only where the file system offers it.
        const int probe = open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        unnamedOffered_ = probe >= 0;
        if (probe >= 0) close(probe);
    }
    void TearDown() override {
        AllowUnnamedFiles(true);
        fs::remove_all(folder_);
    }

    std::string folder_, output_, temp_;
    bool unnamedOffered_ = false;
};

TEST_F(OutputFileTest, PlacesTheBytesWithOrWithoutAnOldOutput) {
    for (const bool unnamed : {true, false}) {
        for (const bool oldOutput : {false, true}) {
            SCOPED_TRACE(std::string(unnamed ? "unnamed" : "named") +
                         (oldOutput ? ", read-only old output" : ""));
            AllowUnnamedFiles(unnamed);
            fs::remove(output_);
            if (oldOutput) {
                std::ofstream(output_) << "old";
                chmod(output_.c_str(), 0444);
            }
            const Placement placed = PlaceFile(output_, temp_, "new document");
            EXPECT_EQ(placed.result, PlaceResult::Ok);
            EXPECT_EQ(placed.route,
                      unnamed && unnamedOffered_ ? PlaceRoute::Unnamed : PlaceRoute::Named);
            EXPECT_EQ(ReadAll(output_), "new document");
            EXPECT_EQ(Names(folder_), std::vector<std::string>{"out.psd"});
        }
    }
}

TEST_F(OutputFileTest, FailuresKeepTheOldOutputAndLeaveNoTemporaryFile) {
    for (const bool unnamed : {true, false}) {
        SCOPED_TRACE(unnamed ? "unnamed" : "named");
        AllowUnnamedFiles(unnamed);

        // Someone else's file under the temporary name is neither replaced nor removed.
        std::ofstream(output_) << "old";
        std::ofstream(temp_) << "theirs";
        EXPECT_EQ(PlaceFile(output_, temp_, "new").result, PlaceResult::CannotCreate);
        EXPECT_EQ(ReadAll(output_), "old");
        EXPECT_EQ(ReadAll(temp_), "theirs");
        fs::remove(temp_);

        // A folder where the output should go cannot be replaced.
        fs::remove(output_);
        fs::create_directory(output_);
        EXPECT_EQ(PlaceFile(output_, temp_, "new").result, PlaceResult::CannotMove);
        EXPECT_EQ(Names(folder_), std::vector<std::string>{"out.psd"});
        fs::remove(output_);

        EXPECT_EQ(PlaceFile(folder_ + "/missing/out.psd", folder_ + "/missing/t.psd", "new").result,
                  PlaceResult::CannotCreate);
        EXPECT_TRUE(fs::is_empty(folder_));
    }
}

TEST_F(OutputFileTest, InterruptsRemoveTheArmedFileAndEndByTheSignal) {
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(signalNumber));
        std::ofstream(temp_) << "partial";
        const int status = InChild([&] {
            RemoveOnInterrupt cleanup(temp_);
            if (!cleanup.Armed()) _exit(3);
            raise(signalNumber);
            _exit(4);
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
        EXPECT_FALSE(fs::exists(temp_));
    }

    // A handler that was there before still runs: start-up's hang-up handler ends with 0.
    std::ofstream(temp_) << "partial";
    int status = InChild([&] {
        signal(SIGHUP, [](int) { _exit(7); });
        RemoveOnInterrupt cleanup(temp_);
        raise(SIGHUP);
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << status;
    EXPECT_FALSE(fs::exists(temp_));

    // Several files are armed at once (one per worker writing); a disarmed one stays, and
    // disarming one leaves the others armed.
    const std::string other = output_ + ".other";
    std::ofstream(temp_) << "done";
    std::ofstream(output_) << "first";
    std::ofstream(other) << "third";
    status = InChild([&] {
        RemoveOnInterrupt first(output_);
        {
            RemoveOnInterrupt second(temp_);
            if (!second.Armed()) _exit(3);
        }
        RemoveOnInterrupt third(other);
        if (!first.Armed() || !third.Armed()) _exit(3);
        raise(SIGTERM);
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_FALSE(fs::exists(output_));
    EXPECT_FALSE(fs::exists(other));
    EXPECT_TRUE(fs::exists(temp_));
}

TEST_F(OutputFileTest, AnIgnoredInterruptStaysIgnored) {
    // A background job of a script starts with SIGINT ignored; Ctrl+C there must not end it.
    std::ofstream(temp_) << "partial";
    const int status = InChild([&] {
        signal(SIGINT, SIG_IGN);
        RemoveOnInterrupt cleanup(temp_);
        raise(SIGINT);
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(fs::exists(temp_));
}

}  // namespace
}  // namespace pictorb
