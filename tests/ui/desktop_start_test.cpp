// The program's desktop start seen from outside: without a display it says so and ends
// cleanly, and no command-line mode loads the GUI toolkit.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/bmp_writer.h"
#include "support/process_runner.h"

namespace pictorb::test {
namespace {

ChildResult RunProgram(const TempDir& dir, std::vector<std::string> args,
                       std::vector<std::pair<std::string, std::optional<std::string>>> extra = {}) {
    ChildOptions child;
    child.program = PICTORBCMD_PATH;
    child.args = std::move(args);
    child.environment = IsolatedEnvironment(dir.Path());
    child.environment.insert(child.environment.end(), extra.begin(), extra.end());
    child.timeoutMs = 30000;
    return RunChild(child);
}

TEST(DesktopStart, WithoutADisplayItSaysSoAndEndsWithZero) {
    TempDir dir;
    const std::vector<std::pair<std::string, std::optional<std::string>>> headless = {
        {"DISPLAY", std::nullopt},
        {"WAYLAND_DISPLAY", std::nullopt},
        {"QT_QPA_PLATFORM", std::nullopt}};
    auto unreachable = headless;
    unreachable[0].second = ":97";  // no X server answers there
    for (const auto& environment : {headless, unreachable}) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{}, std::vector<std::string>{"--invert"},
              std::vector<std::string>{"-u"}}) {
            SCOPED_TRACE(environment[0].second.value_or("no DISPLAY") + " " +
                         (args.empty() ? "" : args[0]));
            const ChildResult result = RunProgram(dir, args, environment);
            ASSERT_TRUE(result.exited);
            EXPECT_EQ(result.exitCode, 0);
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
            EXPECT_NE(result.err.find("no display"), std::string::npos);
            EXPECT_TRUE(result.out.empty());
        }
    }
}

// The dynamic loader lists every object it maps; a command-line run must map no Qt library.
TEST(DesktopStart, CommandLineModesMapNoQtLibrary) {
    TempDir dir;
    testsupport::BmpSpec spec;
    spec.width = spec.height = 4;
    spec.pixels.assign(16, testsupport::Rgba{1, 2, 3, 255});
    testsupport::WriteFile(dir.Join("in.bmp"), testsupport::MakeBmp(spec));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-v"}, std::vector<std::string>{"-h"},
          std::vector<std::string>{"-i", dir.Join("in.bmp"), "-o", dir.Path(), "--wm-text=Qt?",
                                   "--wm-font-size=9"}}) {
        SCOPED_TRACE(args[0]);
        const ChildResult result = RunProgram(dir, args, {{"LD_DEBUG", "files"}});
        ASSERT_TRUE(result.exited);
        EXPECT_NE(result.err.find("calling init"), std::string::npos);  // LD_DEBUG took effect
        EXPECT_EQ(result.err.find("libQt6"), std::string::npos);
    }
    EXPECT_TRUE(ReadBytes(dir.Join("in.psd")).has_value());
}

}  // namespace
}  // namespace pictorb::test
