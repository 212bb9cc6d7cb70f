#include "app/startup.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "app/branding.h"
#include "platform/instance_guard.h"
#include "support/process_runner.h"

namespace pictorb {
namespace {

TEST(Startup, VersionText) {
    const std::pair<int32_t, const char*> cases[] = {
        {220, "2.2"}, {221, "2.2.1"}, {200, "2.0"}, {310, "3.1"}, {100, "1.0"}, {0, "0"},
    };
    for (const auto& [number, expected] : cases) {
        SCOPED_TRACE(number);
        EXPECT_EQ(VersionText(number), expected);
    }
    EXPECT_EQ(TitleText(kDisplayName, kVersionNumber), "Corvalen Pictorb 2.2");
}

TEST(Startup, ProgramNameAndBanner) {
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/bin/pictorbcmd", "pictorbcmd"},
        {"pictorbcmd", "pictorbcmd"},
        {"./build.d/pictorbcmd.exe", "pictorbcmd"},
        {"/opt/.pictorbcmd", ".pictorbcmd"},
        {"", ""},
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(ProgramNameFromPath(path), expected);
    }
    const std::vector<std::string> banner = BannerLines();
    ASSERT_EQ(banner.size(), 4u);
    EXPECT_EQ(banner[0], "Corvalen Pictorb 2.2");
    EXPECT_EQ(banner[1], "Copyright (c) 2026 Corvalen Software. All rights reserved.");
    EXPECT_EQ(banner[2], kWebAddress);
    EXPECT_EQ(banner[3], " ");
}

// Runs pictorbcmd in its own home and runtime folders.
class ProgramTest : public ::testing::Test {
  protected:
    test::ChildResult Run(std::vector<std::string> args) {
        test::ChildOptions options;
        options.program = PICTORBCMD_PATH;
        options.args = std::move(args);
        options.workingDirectory = dir_.Path();
        options.environment = test::IsolatedEnvironment(dir_.Path());
        options.timeoutMs = 30000;
        return test::RunChild(options);
    }
    std::string RuntimeFolder() const { return dir_.Join("runtime"); }

    test::TempDir dir_;
};

TEST_F(ProgramTest, VersionModeInAnyCase) {
    for (const char* option : {"-v", "-V", "--version", "--VERSION=1", " -v "}) {
        SCOPED_TRACE(option);
        const test::ChildResult result = Run({option, "-i", "ignored.bmp"});
        ASSERT_TRUE(result.exited);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, test::Utf16LeLines({"2.2"}));
        EXPECT_EQ(result.err, "");
    }
}

TEST_F(ProgramTest, VersionOnlyInFirstParameter) {
    const test::ChildResult result = Run({"-i", "a.bmp", "-v"});
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out, test::Utf16LeLines({"2.2"}));
}

TEST_F(ProgramTest, DesktopModesPrintNothingOnStandardOutput) {
    // No parameters, and the modes that belong to the desktop interface, on a machine without
    // a display: nothing on standard output, exit code 0 (the desktop's own tests say more).
    test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
    test::ScopedEnv noWayland("WAYLAND_DISPLAY", std::nullopt);
    test::ScopedEnv noPlatform("QT_QPA_PLATFORM", std::nullopt);
    const std::vector<std::vector<std::string>> cases = {
        {}, {"-u"}, {"-T", "/nowhere"}, {"--invert"}};
    for (const auto& args : cases) {
        SCOPED_TRACE(args.empty() ? "no parameters" : args[0]);
        const test::ChildResult result = Run(args);
        ASSERT_TRUE(result.exited);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, "");
    }
}

// The guard protects the desktop's settings file: command-line modes run beside a running
// window, the desktop modes are refused with one line on standard error.
TEST_F(ProgramTest, GuardHeldLetsCommandLineModesRunAndRefusesDesktopModes) {
    test::IsolatedEnvironment(dir_.Path());  // makes the runtime folder the child will use
    test::ScopedEnv env("XDG_RUNTIME_DIR", RuntimeFolder());
    InstanceGuard running(TitleText(kDisplayName, kVersionNumber));
    ASSERT_TRUE(running.Held());
    for (const char* option : {"-v", "-h"}) {
        SCOPED_TRACE(option);
        const test::ChildResult result = Run({option});
        ASSERT_TRUE(result.exited);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_NE(result.out, "");
        EXPECT_EQ(result.err, "");
    }
    // No display, so that nothing could open even if the guard let it through.
    test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
    test::ScopedEnv noWayland("WAYLAND_DISPLAY", std::nullopt);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"-u"}, {"photo.bmp"}}) {
        SCOPED_TRACE(args.empty() ? "no parameters" : args[0]);
        const test::ChildResult result = Run(args);
        ASSERT_TRUE(result.exited);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "pictorbcmd: another instance is running in this session (" +
                                  RuntimeFolder() + "/Corvalen Pictorb 2.2.lock)\n");
    }
}

// On a terminal the line is UTF-8 and the title is set first.
TEST_F(ProgramTest, TerminalGetsTitleAndUtf8) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    struct termios raw;
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);  // no CR LF translation, so the bytes arrive as written
    tcsetattr(slave, TCSANOW, &raw);
    const auto environment = test::IsolatedEnvironment(dir_.Path());
    std::vector<std::string> envStrings;
    for (const auto& [name, value] : environment) envStrings.push_back(name + "=" + *value);
    std::vector<char*> envp;
    for (auto& entry : envStrings) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const char* program = PICTORBCMD_PATH;
    char* argv[] = {const_cast<char*>(program), const_cast<char*>("--version"), nullptr};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(slave, STDOUT_FILENO);
        execve(program, argv, envp.data());
        _exit(127);
    }
    close(slave);
    int status = 0;
    waitpid(pid, &status, 0);
    std::string out;
    char buffer[256];
    struct pollfd ready = {master, POLLIN, 0};
    while (poll(&ready, 1, 100) > 0) {
        ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    close(master);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(out, "\x1b]0;Corvalen Pictorb 2.2\a2.2\r\n");
}

TEST_F(ProgramTest, HelpCarriesProgramName) {
    const test::ChildResult result = Run({"-?"});
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 0);
    const std::vector<std::string> lines = test::SplitCrLfLines(test::DecodeUtf16Le(result.out));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], " ");
    EXPECT_EQ(lines[1], "Usage: pictorbcmd -i <filename> [options]");
    EXPECT_EQ(lines.back(), "  -v, --version             Display version information and exit");
}

TEST_F(ProgramTest, PauseWithoutTerminalDoesNotHang) {
    // The error is reported, then the key wait returns at the end of standard input.
    const test::ChildResult result = Run({"-p", "--input"});
    ASSERT_TRUE(result.exited);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, test::Utf16LeLines({"Error: Incorrect number of parameters"}));
}

}  // namespace
}  // namespace pictorb
