// Screenshot mode from the outside: the program started with -t on a machine without a
// display, the two pictures read back and measured.

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "support/process_runner.h"

namespace pictorb::test {
namespace {

namespace fs = std::filesystem;

ChildResult RunScreenshotMode(const TempDir& dir, const std::string& folder) {
    ChildOptions options;
    options.program = PICTORBCMD_PATH;
    options.args = {"-t", folder};
    options.environment = IsolatedEnvironment(dir.Path());
    // Headless, as in CI or a script: the program picks the off-screen platform itself.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        options.environment.emplace_back(name, std::nullopt);
    }
    return RunChild(options);
}

// Whether the band of rows holds pixels dark enough to be the black text.
bool HasDarkPixels(const QImage& image, int left, int right, int top, int bottom) {
    for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y) {
        for (int x = std::max(left, 0); x < std::min(right, image.width()); ++x) {
            if (qGray(image.pixel(x, y)) < 70) return true;
        }
    }
    return false;
}

TEST(ScreenshotMode, WritesBothPicturesAndNoSettings) {
    TempDir dir;
    const std::string shots = dir.Join("shots");
    fs::create_directories(shots);
    const ChildResult result = RunScreenshotMode(dir, shots);
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exitCode, 0);

    QImage full(QString::fromStdString(shots + "/pictorb1.jpg"));
    QImage small(QString::fromStdString(shots + "/pictorb1x.jpg"));
    ASSERT_FALSE(full.isNull()) << result.err;
    ASSERT_FALSE(small.isNull());
    EXPECT_EQ(full.size(), QSize(510, 260));
    EXPECT_EQ(small.width(), 180);
    EXPECT_EQ(small.height(), std::lround(180.0 * full.height() / full.width()));

    // The site address: black text ending 35 px from the right edge, its top 26 px above
    // the bottom; nothing dark right of its end on those rows.
    const int w = full.width();
    const int top = full.height() - 26;
    EXPECT_TRUE(HasDarkPixels(full, w - 35 - 60, w - 35, top, top + 12));
    EXPECT_FALSE(HasDarkPixels(full, w - 32, w, top, top + 12));

    EXPECT_FALSE(fs::exists(dir.Join("home/.config/Corvalen/pictorb/config.ini")));
}

TEST(ScreenshotMode, MissingFolderWritesNothing) {
    TempDir dir;
    const std::string missing = dir.Join("missing");
    const ChildResult result = RunScreenshotMode(dir, missing);
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(fs::exists(missing));
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir.Path())) {
        EXPECT_NE(entry.path().extension(), ".jpg") << entry.path();
        EXPECT_NE(entry.path().filename(), "config.ini") << entry.path();
    }
}

}  // namespace
}  // namespace pictorb::test
