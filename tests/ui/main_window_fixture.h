#pragma once
// The main window's tests: a private folder with small bitmaps and folders in it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "support/bmp_writer.h"
#include "ui/input_output.h"
#include "ui/main_window.h"
#include "ui/ui_harness.h"

namespace pictorb::test {

class MainWindowTest : public ::testing::Test {
  protected:
    DesktopFixture fixture;
    ConversionSettings& settings = fixture.state.settings;

    // A folder below the test's own, ending in '/'.
    std::string Folder(const std::string& name) {
        std::filesystem::create_directories(fixture.dir.Join(name));
        return fixture.dir.Join(name) + "/";
    }
    // A small real bitmap, or an empty file.
    std::string File(const std::string& name, bool empty = false) {
        const std::string path = fixture.dir.Join(name);
        testsupport::BmpSpec spec;
        spec.width = spec.height = 2;
        spec.pixels.assign(4, testsupport::Rgba{200, 100, 50, 255});
        const std::vector<uint8_t> bytes = testsupport::MakeBmp(spec);
        WriteBytes(path, empty ? std::string() : std::string(bytes.begin(), bytes.end()));
        return path;
    }
    std::string Recent(int i) { return RecentOutputFolder(settings.recentOutFolders, i); }

    static void Drop(MainWindow& window, const std::vector<std::string>& paths) {
        window.AddDroppedFiles(paths);
    }
};

}  // namespace pictorb::test
