// Screenshots of the window with many inputs, on demand: PICTORB_BATCH_SHOTS names the folder to
// write into (run build/tests/desktop_shots under Xvfb, as scripts/preferences-shots.sh does).

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include "support/bmp_writer.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"
#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

TEST(BatchShots, WindowProgressAndFailures) {
    const char* folder = std::getenv("PICTORB_BATCH_SHOTS");
    if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "PICTORB_BATCH_SHOTS not set";
    const auto save = [&](QWidget& widget, const char* name) {
        QApplication::processEvents();
        widget.grab().save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
    };
    DesktopFixture desktop;
    desktop.state.settings.threads = 2;
    const std::string pictures = desktop.dir.Join("pictures");
    const std::string out = desktop.dir.Join("out") + "/";
    std::filesystem::create_directories(pictures);
    std::filesystem::create_directories(out);
    testsupport::BmpSpec spec;
    spec.width = 2000;
    spec.height = 1500;
    spec.pixels.assign(3000000, testsupport::Rgba{40, 120, 200, 255});
    const std::vector<uint8_t> bytes = testsupport::MakeBmp(spec);
    std::vector<std::string> paths;
    for (int i = 1; i <= 20; ++i) {
        paths.push_back(pictures + "/holiday-" + std::to_string(i) + ".bmp");
        WriteBytes(paths.back(), std::string(bytes.begin(), bytes.end()));
    }

    MainWindow window(desktop.context);
    window.show();
    window.Fields().AddInputs({pictures}, false);
    save(window, "1-window-folder");
    window.Fields().AddInputs({paths[0], paths[1], paths[2]}, false);
    save(window, "2-window-three-files");

    const auto convert = [&](const std::string& input, const char* name, bool midway) {
        window.InputField()->setText(QString::fromStdString(input));
        window.OutputFolderField()->setEditText(QString::fromStdString(out));
        bool shot = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = window.findChild<ProgressDialog*>();
            if (dialog == nullptr || !dialog->isVisible()) return;
            if (!shot && (midway ? dialog->Bar()->value() >= 6 : dialog->WorkerEnded())) {
                shot = true;
                save(*dialog, name);
            }
            if (dialog->WorkerEnded()) dialog->OkButton()->click();
        });
        timer.start(5);
        window.RunCommand(kCommandConvert);
    };
    convert(pictures, "3-progress-midway", true);
    WriteBytes(pictures + "/scan-broken.bmp", "not a bitmap at all");
    WriteBytes(pictures + "/scan-empty.bmp", "");
    convert(pictures, "4-finished-two-failed", false);
    save(window, "5-window-after-failures");
}

}  // namespace
}  // namespace pictorb::test
