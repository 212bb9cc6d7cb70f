// The desktop start and exit, and the hand-over to the Uninstall and Screenshot modes.

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

#include "cli/parameters.h"
#include "formats/formats.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/hand_over.h"
#include "platform/quit_signals.h"
#include "settings/settings.h"
#include "ui/builtin_icons.h"
#include "ui/desktop.h"
#include "ui/desktop_context.h"
#include "ui/hand_over_receiver.h"
#include "ui/input_output.h"
#include "ui/links.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"
#include "ui/screenshot.h"
#include "ui/update_check.h"

namespace pictorb {
namespace {

// Qt keeps references to these for the application's life.
int gArgc = 1;
char gProgramName[] = "pictorbcmd";
char* gArgv[] = {gProgramName, nullptr};

// Chooses where the toolkit draws. Screenshot mode runs off screen on a headless machine;
// the windowed modes need a display and say so plainly when there is none, instead of
// letting the toolkit abort.
bool PrepareDisplay(DesktopMode mode) {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return true;
    if (mode == DesktopMode::Screenshot && NoDisplayNamed()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }
    if (ReachableDisplay() != DisplayKind::None) return true;
    std::fprintf(stderr,
                 "pictorbcmd: no display to open the window on (DISPLAY or WAYLAND_DISPLAY); "
                 "convert from the command line with -i FILE, see -h\n");
    return false;
}

void LoadIconsAndTheme(DesktopContext& context) {
    ConversionSettings& settings = context.state.settings;
    FillIconNames(context.icons);
    LoadBuiltInIcons(context.icons, settings.uiSize);
    context.themeFolder = ThemeFolder();
    // The user's own themes first: one of theirs hides an installed one of the same file name.
    context.themes = ListThemes({UserThemeFolder(), context.themeFolder});
    LoadTheme(context.themeFolder, context.themes, settings.uiTheme, settings.uiSize, context.icons,
              true, true, true);
}

// The end of every desktop run: the recent folders' privacy rule, then the settings file.
void ExitSequence(ProcessState& state) {
    ConversionSettings& settings = state.settings;
    if (settings.outFoldersHistory == 0) settings.recentOutFolders.clear();
    SaveSettings(settings, state.formats);
}

int RunMainWindow(DesktopContext& context, const std::vector<std::string>& args) {
    ProcessState& state = context.state;
    ConversionSettings& settings = state.settings;
    // Made first, so that a start or a signal that comes while the window is being built
    // waits for the event loop instead of being refused or ending the process.
    HandOverListener listener(state.title);
    QuitSignals quitSignals;
    LocateSettingsFile(settings);
    const QRect desktop = QGuiApplication::primaryScreen() != nullptr
                              ? QGuiApplication::primaryScreen()->availableGeometry()
                              : QRect();
    LoadSettings(settings, state.formats, desktop.width(), desktop.height());
    state.texts.Load("");
    LoadIconsAndTheme(context);

    std::unique_ptr<MainWindow> window;
    try {
        window = std::make_unique<MainWindow>(context);
    } catch (...) {
        window.reset();
    }
    if (window == nullptr) {
        // Nothing to show: keep what was loaded and end as every run ends.
        ExitSequence(state);
        return 0;
    }

    window->PrepareForStart();
    if (settings.isMaximized != 0)
        window->showMaximized();
    else
        window->show();
    const std::string file = FileToOpen(args, state.formats);
    if (!file.empty()) window->Fields().AddInputFile(file);
    // Asked once the window is on screen, after the event loop has started.
    QTimer::singleShot(0, window.get(), [&context] { ScheduledUpdateCheck(context); });

    // A second start: its file is taken, kept behind a dialog, or refused; its receipt says
    // which.
    std::unique_ptr<QSocketNotifier> handOvers;
    auto* receiver = new HandOverReceiver(*window, state.formats);
    if (listener.Listening()) {
        handOvers = std::make_unique<QSocketNotifier>(listener.Descriptor(), QSocketNotifier::Read);
        QObject::connect(handOvers.get(), &QSocketNotifier::activated, window.get(), [&] {
            std::optional<HandOverRequest> request = listener.Accept();
            if (!request) return;
            const auto [reply, detail] = receiver->Take(request->Parameters());
            request->Answer(reply, detail);
        });
    }
    // Logout, kill and Ctrl+C close the window as Exit does, and every dialog still open
    // returns, so that the exit sequence below runs.
    std::unique_ptr<QSocketNotifier> quitRequests;
    if (quitSignals.Active()) {
        quitRequests =
            std::make_unique<QSocketNotifier>(quitSignals.Descriptor(), QSocketNotifier::Read);
        QObject::connect(quitRequests.get(), &QSocketNotifier::activated, window.get(), [&] {
            if (!quitSignals.Take()) return;
            window->close();
            QCoreApplication::exit(0);
        });
    }

    QApplication::exec();
    ExitSequence(state);
    return 0;
}

}  // namespace

int RunDesktop(ProcessState& state, DesktopMode mode, const std::vector<std::string>& args) {
    if (!PrepareDisplay(mode)) return 0;
    QApplication application(gArgc, gArgv);
    QGuiApplication::setDesktopFileName("pictorb");
    QtDialogs dialogs;
    DesktopContext context{state, dialogs};

    switch (mode) {
        case DesktopMode::Uninstall:
            RunUninstallPrompt(context);
            return 0;
        case DesktopMode::Screenshot:
            // Defaults only: the settings file is neither read nor written.
            state.job.runMode.assign(1, 'T');  // assign(): GCC 12 warns falsely on = "T"
            context.screenshotMode = true;
            LoadIconsAndTheme(context);
            RunScreenshot(context, OptionValue(args, 1));
            return 0;
        case DesktopMode::Desktop:
            break;
    }
    return RunMainWindow(context, args);
}

}  // namespace pictorb
