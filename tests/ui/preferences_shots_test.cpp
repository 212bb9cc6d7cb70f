// Screenshots of every preferences page and the dialog's opening time, on demand:
// scripts/preferences-shots.sh sets PICTORB_PREFERENCES_SHOTS to the folder to write into
// and runs this under Xvfb. Skipped in ordinary test runs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "ui/preferences_dialog.h"
#include "ui_harness.h"

namespace pictorb::test {
namespace {

TEST(PreferencesShots, EveryPageAndTheOpeningTime) {
    const char* folder = std::getenv("PICTORB_PREFERENCES_SHOTS");
    if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "PICTORB_PREFERENCES_SHOTS not set";
    DesktopFixture desktop;
    desktop.context.themes.displayNames = {{"handdrawn", "Hand Drawn"}, {"flat", "Flat"}};
    ConversionSettings& settings = desktop.state.settings;
    settings.doFrame = 1;      // so the Frame page shows its panel
    settings.doWatermark = 1;  // and the Watermark page its text panel

    const auto shoot = [&](PreferencesPage page, const std::string& name) {
        PreferencesDialog dialog(desktop.context, nullptr, page);
        dialog.show();
        QApplication::processEvents();
        dialog.grab().save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
        dialog.reject();
    };
    const char* names[] = {"1-general",    "2-interface", "3-input",     "4-output",  "5-transform",
                           "6-adjustment", "7-frame",     "8-watermark", "9-advanced"};
    for (int page = 0; page < 9; ++page) shoot(static_cast<PreferencesPage>(page), names[page]);
    settings.doWatermark = 2;
    shoot(PreferencesPage::Watermark, "8-watermark-image");

    // Opening: building and loading every control, then the first paint of the window.
    std::vector<double> times;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer timer;
        timer.start();
        PreferencesDialog dialog(desktop.context, nullptr, PreferencesPage::General);
        dialog.show();
        QApplication::processEvents();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        dialog.reject();
        QApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    std::ofstream report(std::string(folder) + "/opening-time.txt");
    report << "median " << times[times.size() / 2] << " ms, fastest " << times.front()
           << " ms, slowest " << times.back() << " ms over " << times.size() << " openings\n";
    std::printf("opening: median %.1f ms (min %.1f, max %.1f)\n", times[times.size() / 2],
                times.front(), times.back());
}

}  // namespace
}  // namespace pictorb::test
