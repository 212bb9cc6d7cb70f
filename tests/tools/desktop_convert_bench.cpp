// Converts one bitmap (or a folder of them) through the desktop's Convert command, offscreen, and
// prints the time from pressing Convert to the outcome shown, and the longest gap between two polls
// of the progress dialog meanwhile: one line per run, "<wall ms> <longest gap ms>". Usage:
// desktop_convert_bench BITMAP_OR_FOLDER OUTPUT_FOLDER [RUNS]

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"
#include "ui/ui_harness.h"

int main(int argc, char** argv) {
    using namespace pictorb;
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s BITMAP OUTPUT_FOLDER [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    // The allocator set up as pictorbcmd sets it at start, for every mode.
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT32_MAX);
    test::DesktopFixture fixture;
    MainWindow window(fixture.context);
    window.show();
    for (int run = 0; run < runs; ++run) {
        window.InputField()->setText(QString::fromUtf8(argv[1]));
        window.OutputFolderField()->setEditText(QString::fromUtf8(argv[2]));
        QTimer timer;
        double wallMs = 0;
        int64_t gapMs = 0;
        const auto start = std::chrono::steady_clock::now();
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = window.findChild<ProgressDialog*>();
            if (dialog == nullptr || !dialog->WorkerEnded()) return;
            wallMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            gapMs = dialog->LongestPollGapMs();
            dialog->OkButton()->click();
        });
        timer.start(1);
        window.RunCommand(kCommandConvert);
        std::printf("%.0f %lld\n", wallMs, static_cast<long long>(gapMs));
        std::fflush(stdout);
    }
    return 0;
}
