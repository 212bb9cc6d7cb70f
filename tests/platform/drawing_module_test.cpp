// The drawing libraries are loaded with the first canvas, not at start.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/canvas.h"

namespace pictorb {
namespace {

// Whether a shared object whose path contains `name` is mapped into this process.
bool Mapped(const std::string& name) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(name) != std::string::npos) return true;
    }
    return false;
}

TEST(DrawingModule, LoadedOnFirstUse) {
    // ctest runs every test in a process of its own; a run of the whole program may have drawn.
    if (Mapped("pictorb-draw.so")) GTEST_SKIP() << "an earlier test in this process drew";
    EXPECT_FALSE(Mapped("libcairo.so"));
    EXPECT_FALSE(Mapped("libpango-1.0.so"));
    EXPECT_FALSE(Mapped("libfontconfig.so"));

    Canvas canvas(3, 2, Rgba{1, 2, 3, 255});
    ASSERT_TRUE(canvas.Valid());
    EXPECT_EQ(canvas.PixelAt(2, 1), (Rgba{1, 2, 3, 255}));
    EXPECT_TRUE(Mapped("pictorb-draw.so"));
    EXPECT_TRUE(Mapped("libcairo.so"));

    // A canvas made through the module keeps working after a move.
    Canvas moved = std::move(canvas);
    EXPECT_FALSE(canvas.Valid());  // NOLINT(bugprone-use-after-move): a moved-from canvas is empty
    EXPECT_EQ(moved.Width(), 3u);
    EXPECT_EQ(moved.PixelAt(0, 0), (Rgba{1, 2, 3, 255}));
}

}  // namespace
}  // namespace pictorb
