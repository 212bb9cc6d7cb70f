// Screenshots of every preferences page and the dialog's opening time, on demand:
// scripts/preferences-shots.sh sets PICTORB_PREFERENCES_SHOTS to the folder to write into
// and runs this under Xvfb.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "ui/preferences_dialog.h"
#include "ui/ui_harness.h"

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
    settings.doFrame = 0;  // "None": the one row at the top, nothing below
    settings.doWatermark = 0;
    shoot(PreferencesPage::Frame, "7-frame-none");
    shoot(PreferencesPage::Watermark, "8-watermark-none");

    {
        const DarkTheme dark;
        settings.doWatermark = 1;
        shoot(PreferencesPage::Watermark, "dark-watermark");
        shoot(PreferencesPage::General, "dark-general");
    }

    // The filename mask's tooltip, as the screen shows it.
    {
        PreferencesDialog dialog(desktop.context, nullptr, PreferencesPage::Advanced);
        dialog.show();
        QApplication::processEvents();
        QWidget* mask = dialog.Control("Advanced", "Filename Mask");
        QToolTip::showText(mask->mapToGlobal(QPoint(20, mask->height())), mask->toolTip(), mask);
        QTest::qWait(300);
        QApplication::primaryScreen()->grabWindow(0).save(
            QString::fromStdString(std::string(folder) + "/9-advanced-mask-tooltip.png"));
        QToolTip::hideText();
        dialog.reject();
    }

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
