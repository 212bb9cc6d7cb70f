#include "e2e/harness.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace pictorb::e2e {

std::vector<std::string> Outcome::AfterBanner() const {
    if (lines.size() < kBannerLines || lines[0] != kBannerTitle) return lines;
    return {lines.begin() + kBannerLines, lines.end()};
}

ProgramTest::ProgramTest() {
    std::filesystem::create_directories(OutFolder());
}

Outcome ProgramTest::Run(const std::vector<std::string>& args, const RunExtras& extras) const {
    test::ChildOptions options;
    options.program = extras.program;
    options.args = args;
    options.workingDirectory =
        extras.workingDirectory.empty() ? dir_.Path() : extras.workingDirectory;
    options.environment = test::IsolatedEnvironment(dir_.Path());
    // Local time is UTC in the child, so local seconds and file times agree.
    options.environment.emplace_back("TZ", "UTC");
    for (const auto& entry : extras.environment) options.environment.push_back(entry);
    options.stdinBytes = extras.stdinBytes;
    options.fileSizeLimit = extras.fileSizeLimit;
    options.timeoutMs = extras.timeoutMs;
    Outcome outcome;
    outcome.child = test::RunChild(options);
    outcome.lines = test::SplitCrLfLines(test::DecodeUtf16Le(outcome.child.out));
    EXPECT_TRUE(outcome.child.started);
    EXPECT_TRUE(outcome.child.exited)
        << "signal " << outcome.child.termSignal << (outcome.child.timedOut ? ", timed out" : "");
    EXPECT_EQ(outcome.child.exitCode, extras.expectedExitCode);
    return outcome;
}

test::ChildResult ProgramTest::Bash(const std::string& script, const Environment& extra) const {
    test::ChildOptions options;
    options.program = "/bin/bash";
    options.args = {"-c", script};
    options.workingDirectory = dir_.Path();
    options.environment = test::IsolatedEnvironment(dir_.Path());
    options.environment.emplace_back("pictorbcmd", PICTORBCMD_PATH);
    for (const auto& variable : extra) options.environment.push_back(variable);
    options.timeoutMs = 240000;
    return test::RunChild(options);
}

std::string ProgramTest::WriteBitmap(const std::string& name,
                                     const testsupport::BmpSpec& spec) const {
    const std::string path = Path(name);
    testsupport::WriteFile(path, testsupport::MakeBmp(spec));
    return path;
}

std::vector<std::string> ProgramTest::FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<Rgba> PatternPixels(int width, int height, bool varyAlpha) {
    std::vector<Rgba> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto r = static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
            const auto g = static_cast<uint8_t>(y * 255 / std::max(1, height - 1));
            const auto b = static_cast<uint8_t>((x * 37 + y * 91) & 0xFF);
            const auto a = static_cast<uint8_t>(varyAlpha ? 255 - ((x + y) % 4) * 20 : 255);
            pixels.push_back({r, g, b, a});
        }
    }
    return pixels;
}

testsupport::BmpSpec TrueColourSpec(int width, int height, uint16_t bpp) {
    testsupport::BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bpp = bpp;
    spec.pixels = PatternPixels(width, height);
    return spec;
}

std::optional<Picture> ReadPsd(const std::string& path) {
    struct Unload {
        void operator()(FIBITMAP* dib) const { FreeImage_Unload(dib); }
    };
    std::unique_ptr<FIBITMAP, Unload> loaded(FreeImage_Load(FIF_PSD, path.c_str(), 0));
    if (!loaded) return std::nullopt;
    std::unique_ptr<FIBITMAP, Unload> dib(FreeImage_ConvertTo32Bits(loaded.get()));
    if (!dib) return std::nullopt;
    Picture picture;
    picture.width = static_cast<int>(FreeImage_GetWidth(dib.get()));
    picture.height = static_cast<int>(FreeImage_GetHeight(dib.get()));
    for (int y = picture.height - 1; y >= 0; --y) {
        const BYTE* row = FreeImage_GetScanLine(dib.get(), y);
        for (int x = 0; x < picture.width; ++x) {
            const BYTE* p = row + 4 * x;
            picture.pixels.push_back(
                {p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE], p[FI_RGBA_ALPHA]});
        }
    }
    return picture;
}

::testing::AssertionResult SamePixels(const std::vector<Rgba>& expected,
                                      const std::vector<Rgba>& actual, int tolerance) {
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure()
               << expected.size() << " pixels expected, " << actual.size() << " read";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Rgba& e = expected[i];
        const Rgba& a = actual[i];
        const int channels[4][2] = {{e.r, a.r}, {e.g, a.g}, {e.b, a.b}, {e.a, a.a}};
        for (const auto& channel : channels) {
            if (std::abs(channel[0] - channel[1]) > tolerance)
                return ::testing::AssertionFailure()
                       << "pixel " << i << ": expected " << int(e.r) << "," << int(e.g) << ","
                       << int(e.b) << "," << int(e.a) << " read " << int(a.r) << "," << int(a.g)
                       << "," << int(a.b) << "," << int(a.a);
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace pictorb::e2e
