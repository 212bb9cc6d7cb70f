// Times the preview: from an edit in the preferences dialog to the new picture shown, with a
// Lanczos resize to 50 %, a solid frame and a text watermark set and the input already loaded;
// and the longest gap between two turns of the dialog's event loop meanwhile and during a burst
// of edits. One line per run, "<ms from edit to picture> <longest gap ms>", then
// "burst-gap <ms>". Usage: preview_bench BITMAP|sample [RUNS]

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/preferences_dialog.h"
#include "ui/preview_panel.h"
#include "ui/ui_harness.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Measures the longest time between two turns of the event loop while it is alive.
class GapProbe {
  public:
    GapProbe() {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longest_ = std::max(longest_, Ms(now - last_));
            last_ = now;
        });
        last_ = Clock::now();
        timer_.start();
    }
    double Longest() const { return longest_; }

  private:
    QTimer timer_;
    Clock::time_point last_;
    double longest_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace pictorb;
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BITMAP|sample [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string input = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    test::DesktopFixture fixture;
    ConversionSettings& settings = fixture.state.settings;
    settings.doImageResize = 1;
    settings.imageWidth = settings.imageHeight = 50;
    settings.imageWidthUnit = settings.imageHeightUnit = kUnitPercent;
    settings.imageResizeAlgorithm = 5;  // Lanczos
    settings.doFrame = kFrameSolid;
    settings.solidLeft = settings.solidRight = settings.solidTop = settings.solidBottom = 12;
    settings.doWatermark = kWatermarkText;
    settings.text = "pictorb %width% x %height%";
    settings.fontSize = 24;
    std::vector<std::string> typed;
    if (input != "sample") typed.push_back(input);
    PreferencesDialog dialog(fixture.context, nullptr, PreferencesPage::Frame,
                             PreviewInputs{typed, "psd"}, true);
    dialog.show();
    PreviewPanel& panel = *dialog.Preview();
    auto* left = qobject_cast<QLineEdit*>(dialog.Control("Frame", "Solid Left"));
    int leftValue = 12;
    const auto setLeft = [&](int value) {
        leftValue = value;
        left->setText(QString::number(value));
    };
    const auto waitShown = [&](int count) {
        return QTest::qWaitFor([&] { return panel.ShownCount() > count; }, 60000);
    };
    // The first render loads the input.
    if (!waitShown(0) || !panel.ErrorText().isEmpty()) {
        std::fprintf(stderr, "no preview: %s\n", panel.ErrorText().toUtf8().constData());
        return 1;
    }
    for (int run = 0; run < runs; ++run) {
        GapProbe probe;
        const int count = panel.ShownCount();
        const auto start = Clock::now();
        setLeft(leftValue == 12 ? 13 : 12);
        if (!waitShown(count)) return 1;
        std::printf("%.1f %.1f\n", Ms(Clock::now() - start), probe.Longest());
    }
    // A burst: edits now and then, so that renders start and are superseded.
    GapProbe probe;
    for (int edit = 0; edit < 20; ++edit) {
        setLeft(leftValue + 1);
        QTest::qWait(edit % 4 == 3 ? 180 : 40);
    }
    const int count = panel.ShownCount();
    if (!QTest::qWaitFor([&] { return !panel.Worker().Busy() && panel.ShownCount() >= count; },
                         60000))
        return 1;
    std::printf("burst-gap %.1f\n", probe.Longest());
    dialog.reject();
    return 0;
}
