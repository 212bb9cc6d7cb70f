#pragma once
// Runs the built pictorbcmd in a private temporary folder and reads back what it printed
// and wrote.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "support/process_runner.h"

namespace pictorb::e2e {

using testsupport::Rgba;

inline constexpr std::size_t kBannerLines = 4;
inline const char kBannerTitle[] = "Corvalen Pictorb 2.2";

using Environment = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct RunExtras {
    std::string program = PICTORBCMD_PATH;
    std::string workingDirectory;  // empty: the fixture's folder
    std::optional<std::string> stdinBytes;
    int64_t fileSizeLimit = -1;
    Environment environment;
    int timeoutMs = 60000;
    int expectedExitCode = 0;
};

struct Outcome {
    test::ChildResult child;
    std::vector<std::string> lines;  // decoded from UTF-16LE
    // The lines after the four banner lines, or all of them when the banner is missing.
    std::vector<std::string> AfterBanner() const;
};

// A fixture with its own HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR and an "out" folder.
class ProgramTest : public ::testing::Test {
  protected:
    ProgramTest();
    std::string Path(const std::string& name) const { return dir_.Join(name); }
    std::string OutFolder() const { return dir_.Join("out"); }
    Outcome Run(const std::vector<std::string>& args, const RunExtras& extras = {}) const;
    // Runs a bash script in the fixture's folder with the fixture's environment, the program's
    // path in $pictorbcmd and the variables of `extra`.
    test::ChildResult Bash(const std::string& script, const Environment& extra = {}) const;
    // Writes a bitmap file and returns its path.
    std::string WriteBitmap(const std::string& name, const testsupport::BmpSpec& spec) const;
    // The names in a folder, sorted.
    static std::vector<std::string> FolderNames(const std::string& folder);

    test::TempDir dir_;
};

// A small picture with distinct colours, `width` x `height`, top row first.
std::vector<Rgba> PatternPixels(int width, int height, bool varyAlpha = false);
testsupport::BmpSpec TrueColourSpec(int width, int height, uint16_t bpp);

// Pixels of a .psd read with FreeImage's PSD reader as RGBA, top row first; nullopt when
// FreeImage cannot read it.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;
};
std::optional<Picture> ReadPsd(const std::string& path);

// Compares two pictures channel by channel with a tolerance, reporting the first difference.
::testing::AssertionResult SamePixels(const std::vector<Rgba>& expected,
                                      const std::vector<Rgba>& actual, int tolerance);

}  // namespace pictorb::e2e
