// The output folder stays clean: a conversion ended by a signal at any moment of writing its
// document leaves the old document untouched or the complete new one, and a filename mask
// cannot reach outside the output folder. The program is held at each moment by a preloaded
// shim (pause_shim.c) and then ended by the signal.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "e2e/harness.h"

extern char** environ;

namespace pictorb::e2e {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Each moment: what the shim holds at ("" for none) and the report line the signal follows.
// Only the unheld moment needs a picture large enough to take a while to write.
struct Moment {
    const char* label;
    const char* hold;
    const char* signalAfter;
    bool large = false;
};
const Moment kMoments[] = {
    {"before write", "begin", "begin"},     {"while streaming", "", "open", true},
    {"during write", "write", "write"},     {"at rename", "rename", "rename"},
    {"after rename", "renamed", "renamed"},
};
const int kSignals[] = {SIGKILL, SIGINT, SIGTERM};
const char kOldBytes[] = "the old document, kept read-only";

bool IsTempName(const std::string& name) {
    return name.rfind("pictorb", 0) == 0 && name.size() > 11 &&
           name.compare(name.size() - 4, 4, ".psd") == 0;
}

bool HasLine(const std::string& text, const std::string& line) {
    std::istringstream lines(text);
    for (std::string each; std::getline(lines, each);)
        if (each == line) return true;
    return false;
}

using Env = std::vector<std::pair<std::string, std::optional<std::string>>>;

// One run of the program, to be ended by `signal`, with its own folders.
struct SignalRun {
    int signal;
    std::string folder, report;
    pid_t child = -1;
    bool reached = false;  // the signal followed the awaited report line
};

bool Ended(pid_t child) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == child;
}

// Sends each run its signal as soon as `line` is in its report (all are watched at once, so
// that none waits for another); a run that ends first, or a timeout, leaves `reached` false.
void SignalAfterLine(std::vector<SignalRun>& runs, const std::string& line) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::vector<bool> done(runs.size(), false);
    while (std::find(done.begin(), done.end(), false) != done.end() &&
           std::chrono::steady_clock::now() < deadline) {
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (done[i]) continue;
            if (HasLine(test::ReadBytes(runs[i].report).value_or(""), line)) {
                kill(runs[i].child, runs[i].signal);
                runs[i].reached = done[i] = true;
            } else if (Ended(runs[i].child)) {
                done[i] = true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (std::size_t i = 0; i < runs.size(); ++i)
        if (!done[i]) kill(runs[i].child, SIGKILL);
}

void PutOldOutput(const std::string& folder) {
    fs::remove_all(folder);
    fs::create_directory(folder);
    const std::string old = folder + "/pic.psd";
    ASSERT_TRUE(test::WriteBytes(old, kOldBytes));
    chmod(old.c_str(), 0444);  // a read-only output is replaced all the same
}

// What each moment may leave. SIGINT and SIGTERM always leave the folder as it was or done.
// SIGKILL cannot be caught: a file with a name that is killed before it replaces the output
// stays (the named route from its creation on; either route between naming and renaming).
std::string Expected(const Moment& moment, int signal, bool unnamed) {
    const std::string label = moment.label;
    if (label == "after rename") return "new";
    if (signal != SIGKILL) return "old";
    if (label == "at rename") return "old + complete temp";
    return unnamed ? "old" : "old + partial temp";
}

class OutputSafetyTest : public ProgramTest {
  protected:
    // What a folder holds, in words: "old" or "new" for the output, and any other file.
    static std::string Describe(const std::string& folder, const std::string& newBytes) {
        std::string words;
        for (const std::string& name : FolderNames(folder)) {
            const std::string bytes = test::ReadBytes(folder + "/" + name).value_or("");
            std::string word;
            if (name == "pic.psd") {
                word = bytes == kOldBytes ? "old" : bytes == newBytes ? "new" : "damaged output";
            } else if (IsTempName(name)) {
                word = bytes == newBytes ? "complete temp" : "partial temp";
            } else {
                word = "stray " + name;
            }
            words += (words.empty() ? "" : " + ") + word;
        }
        return words.empty() ? "nothing" : words;
    }

    // The program started in the background with the shim preloaded, in its own runtime
    // folder (so that runs side by side pass the single-instance guard); -1 on failure.
    pid_t Start(const Lines& args, const Env& shimEnv, const std::string& runtime) const {
        fs::create_directory(runtime);
        chmod(runtime.c_str(), 0700);
        Env overrides = test::IsolatedEnvironment(dir_.Path());
        std::erase_if(overrides,
                      [](const auto& entry) { return entry.first == "XDG_RUNTIME_DIR"; });
        overrides.emplace_back("XDG_RUNTIME_DIR", runtime);
        const char* asan = std::getenv("ASAN_OPTIONS");
        // A preloaded library ahead of the sanitizer runtime is expected here.
        overrides.emplace_back("ASAN_OPTIONS",
                               std::string(asan ? asan : "") + ":verify_asan_link_order=0");
        overrides.emplace_back("LD_PRELOAD", PAUSE_SHIM_PATH);
        overrides.insert(overrides.end(), shimEnv.begin(), shimEnv.end());
        std::vector<std::string> env;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text(*entry);
            const std::string name = text.substr(0, text.find('='));
            if (std::none_of(overrides.begin(), overrides.end(),
                             [&name](const auto& entry) { return entry.first == name; })) {
                env.push_back(text);
            }
        }
        for (const auto& [key, value] : overrides)
            if (value) env.push_back(key + "=" + *value);
        std::vector<std::string> argStrings{PICTORBCMD_PATH};
        argStrings.insert(argStrings.end(), args.begin(), args.end());
        std::vector<char*> argv, envp;
        for (auto& a : argStrings) argv.push_back(a.data());
        for (auto& e : env) envp.push_back(e.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            if (chdir(dir_.Path().c_str()) == 0) execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        close(null);
        return pid;
    }
};

TEST_F(OutputSafetyTest, ASignalAtAnyMomentLeavesTheOldOrTheNewDocument) {
    const auto input = [this](bool large) {
        return Path(large ? "large/pic.bmp" : "small/pic.bmp");
    };
    // The complete new documents, from runs that are not interrupted; with no old output the
    // unnamed file is linked straight under its name, never under the temporary one.
    std::map<bool, std::string> newBytes;
    for (const bool large : {false, true}) {
        fs::create_directory(Path(large ? "large" : "small"));
        WriteBitmap(large ? "large/pic.bmp" : "small/pic.bmp",
                    large ? TrueColourSpec(1600, 1200, 24) : TrueColourSpec(64, 48, 24));
        const std::string report = Path("report");
        std::remove(report.c_str());
        const pid_t child = Start({"-i", input(large), "-o", OutFolder()},
                                  {{"PICTORB_SHIM_REPORT", report}}, Path("runtime-0"));
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        newBytes[large] = test::ReadBytes(OutFolder() + "/pic.psd").value_or("");
        ASSERT_TRUE(ReadPsd(OutFolder() + "/pic.psd").has_value());
        fs::remove(OutFolder() + "/pic.psd");
        const std::string text = test::ReadBytes(report).value_or("");
        EXPECT_TRUE(HasLine(text, "unnamed") && !HasLine(text, "rename")) << text;
    }

    std::ostringstream table;
    table << "route    moment           SIGKILL               SIGINT                SIGTERM\n";
    for (const bool unnamed : {true, false}) {
        for (const Moment& moment : kMoments) {
            table << (unnamed ? "unnamed  " : "named    ") << moment.label
                  << std::string(17 - std::string(moment.label).size(), ' ');
            // The three signals' runs side by side, each with its own folders.
            std::vector<SignalRun> runs;
            for (const int signal : kSignals) {
                const std::string name = std::to_string(signal);
                runs.push_back({signal, Path("out-" + name), Path("report-" + name)});
                PutOldOutput(runs.back().folder);
                std::remove(runs.back().report.c_str());
                Env env = {{"PICTORB_SHIM_REPORT", runs.back().report},
                           {"PICTORB_SHIM_HOLD", moment.hold}};
                if (!unnamed) env.emplace_back("PICTORB_SHIM_NO_TMPFILE", "1");
                runs.back().child = Start({"-i", input(moment.large), "-o", runs.back().folder},
                                          env, Path("runtime-" + name));
                ASSERT_GT(runs.back().child, 0);
            }
            SignalAfterLine(runs, moment.signalAfter);
            for (SignalRun& run : runs) {
                SCOPED_TRACE(std::string(unnamed ? "unnamed, " : "named, ") + moment.label + ", " +
                             strsignal(run.signal));
                int status = 0;
                ASSERT_EQ(waitpid(run.child, &status, 0), run.child);
                const std::string text = test::ReadBytes(run.report).value_or("");
                // Unheld, the signal may land after the last write, or even after the end.
                const bool late = moment.hold[0] == '\0' && HasLine(text, "closed");
                EXPECT_TRUE(run.reached || late) << "never reached " << moment.signalAfter;
                // Ended by the signal itself, as without the cleanup.
                const bool signalled = WIFSIGNALED(status) && WTERMSIG(status) == run.signal;
                EXPECT_TRUE(signalled || (late && WIFEXITED(status) && WEXITSTATUS(status) == 0))
                    << status;

                const std::string held = Describe(run.folder, newBytes[moment.large]);
                std::set<std::string> allowed = {Expected(moment, run.signal, unnamed)};
                for (const Moment& later : kMoments) {
                    if (late && later.hold[0] != '\0')
                        allowed.insert(Expected(later, run.signal, unnamed));
                }
                EXPECT_EQ(allowed.count(held), 1u) << held << "\n" << text;
                if (HasLine(text, "write")) {
                    EXPECT_TRUE(HasLine(text, unnamed ? "unnamed" : "named")) << text;
                }
                const std::string cell = held + (late ? " (late)" : "");
                table << cell << std::string(cell.size() < 22 ? 22 - cell.size() : 1, ' ');
                chmod((run.folder + "/pic.psd").c_str(), 0644);
            }
            table << "\n";
        }
    }
    std::cout << table.str();
}

TEST_F(OutputSafetyTest, MasksCannotLeaveTheOutputFolder) {
    const std::string input = WriteBitmap("pic.bmp", TrueColourSpec(4, 2, 24));
    fs::create_directory(OutFolder() + "/sub");

    // A subfolder inside the output folder, and names that only look like climbing, work.
    const std::pair<std::string, std::string> inside[] = {
        {"sub/%filename%.%ext%", "sub/pic.psd"},
        {"./sub/x..%ext%", "sub/x..psd"},
        {"..%filename%.%ext%", "..pic.psd"},
    };
    for (const auto& [mask, written] : inside) {
        SCOPED_TRACE(mask);
        const Lines lines =
            Run({"-i", input, "-o", OutFolder(), "--filename-mask=" + mask}).AfterBanner();
        EXPECT_EQ(lines.empty() ? "" : lines.back(), "Files converted: 1 of 1");
        EXPECT_TRUE(ReadPsd(OutFolder() + "/" + written).has_value());
        fs::remove(OutFolder() + "/" + written);
    }

    // Masks are lower-cased: the absolute one aims at a lower-case folder of its own.
    const std::string outside =
        (fs::temp_directory_path() / ("pictorb-mask-" + std::to_string(getpid()))).string();
    fs::create_directories(outside);
    ASSERT_TRUE(test::WriteBytes(outside + "/victim.txt", "keep"));
    ASSERT_TRUE(test::WriteBytes(Path("victim.txt"), "keep"));
    const Lines before = FolderNames(dir_.Path());
    const Lines stopped = {"Preparing...", "Importing...", "Import complete, new files added: 1",
                           "Converting...", "Conversion stopped"};
    const std::string masks[] = {"../victim.txt",
                                 "../escaped.%ext%",
                                 "sub/../../%filename%.%ext%",
                                 "..",
                                 outside + "/victim.txt",
                                 "/%filename%.%ext%",
                                 "sub/..",
                                 "./../victim.txt"};
    for (const std::string& mask : masks) {
        SCOPED_TRACE(mask);
        EXPECT_EQ(Run({"-i", input, "-o", OutFolder(), "--filename-mask=" + mask}).AfterBanner(),
                  stopped);
        EXPECT_EQ(test::ReadBytes(outside + "/victim.txt"), "keep");
        EXPECT_EQ(test::ReadBytes(Path("victim.txt")), "keep");
        EXPECT_EQ(FolderNames(outside), Lines{"victim.txt"});
        EXPECT_EQ(FolderNames(dir_.Path()), before);
        EXPECT_EQ(FolderNames(OutFolder()), Lines{"sub"});
        EXPECT_TRUE(FolderNames(OutFolder() + "/sub").empty());
    }
    fs::remove_all(outside);
}

}  // namespace
}  // namespace pictorb::e2e
