#include "ui/update_check.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMetaObject>
#include <QStatusBar>

#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "app/branding.h"
#include "platform/files.h"
#include "ui/desktop_context.h"
#include "ui/links.h"
#include "ui/qt_text.h"
#include "update/update.h"

namespace pictorb {
namespace {

// Swallows the user's input while the check waits for the server, so that nothing the user
// does meanwhile is replayed afterwards; painting and timers go on. Escape cancels.
class InputBlocker : public QObject {
  public:
    explicit InputBlocker(std::function<void()> cancel) : cancel_(std::move(cancel)) {}

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) cancel_();
                return true;
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::Drop:
                return true;
            case QEvent::Close:
                return event->spontaneous();  // the close box
            default:
                return false;
        }
    }

  private:
    std::function<void()> cancel_;
};

// What the helper thread and the waiting window share. After a cancel the thread finishes
// alone (the lookup and connection have limits of their own), so it owns its part.
struct PendingFetch {
    std::mutex mutex;
    QEventLoop* waiting = nullptr;  // nullptr once nobody waits any more
    std::string text;
};

// The main window's status bar, to say what the wait is for; nullptr without a window.
QStatusBar* MainStatusBar() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<QMainWindow*>(widget)) return window->statusBar();
    return nullptr;
}

// Runs the fetch on a helper thread while a local event loop keeps the windows painted;
// nullopt when the user cancels with Escape.
std::optional<std::string> FetchWhileRepainting(const UpdateFetch& fetch, const std::string& url,
                                                const std::string& userAgent,
                                                const std::string& waitingText) {
    if (QCoreApplication::instance() == nullptr) return fetch(url, userAgent);
    QEventLoop loop;
    auto pending = std::make_shared<PendingFetch>();
    pending->waiting = &loop;
    try {
        std::thread([pending, fetch, url, userAgent] {
            std::string text = fetch(url, userAgent);
            std::lock_guard lock(pending->mutex);
            pending->text = std::move(text);
            // Queued: runs inside loop.exec() even when the fetch ends before it starts.
            if (pending->waiting != nullptr)
                QMetaObject::invokeMethod(pending->waiting, &QEventLoop::quit,
                                          Qt::QueuedConnection);
        }).detach();
    } catch (const std::system_error&) {
        return fetch(url, userAgent);  // no thread to spare: wait without painting
    }
    bool cancelled = false;
    InputBlocker blocker([&] {
        cancelled = true;
        loop.quit();
    });
    QStatusBar* status = MainStatusBar();
    if (status != nullptr) status->showMessage(ToQString(waitingText));
    QCoreApplication::instance()->installEventFilter(&blocker);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    loop.exec();
    QGuiApplication::restoreOverrideCursor();
    QCoreApplication::instance()->removeEventFilter(&blocker);
    if (status != nullptr) status->clearMessage();
    std::lock_guard lock(pending->mutex);
    pending->waiting = nullptr;
    if (cancelled) return std::nullopt;
    return std::move(pending->text);
}

std::string FetchFromServer(const std::string& url, const std::string& userAgent) {
    return HttpGetBody(url, userAgent);
}

}  // namespace

bool UpdateCheckAvailable(const DesktopContext& context) {
    return !context.updateHost.empty();
}

void CheckForUpdate(DesktopContext& context) {
    CheckForUpdate(context, FetchFromServer);
}

void CheckForUpdate(DesktopContext& context, const UpdateFetch& fetch) {
    if (!UpdateCheckAvailable(context)) return;
    TextTable& texts = context.state.texts;
    Dialogs& dialogs = context.dialogs;
    // The title text names the program and its version to the server.
    const std::optional<std::string> text =
        FetchWhileRepainting(fetch, UpdateDataUrl(context.updateHost), context.state.title,
                             texts.Text("General", "Checking for updates"));
    if (!text) return;  // cancelled: the user knows
    switch (JudgeUpdate(*text, kVersionNumber)) {
        case UpdateVerdict::Failure:
            ShowMessage(dialogs, texts.Text("Msg", "Error"),
                        texts.Text("Msg", "Internet connection problems"), MessageIcon::Error);
            break;
        case UpdateVerdict::NewerVersion:
            if (AskYesNo(dialogs, texts.Text("Msg", "New Update"),
                         texts.Text("Msg", "New Update Text"))) {
                OpenLink(context, UpdateDownloadUrl());
            }
            break;
        case UpdateVerdict::NoNewerVersion:
            ShowMessage(dialogs, texts.Text("Msg", "No Update"),
                        texts.Text("Msg", "No Update Text"), MessageIcon::Information);
            break;
    }
}

void ScheduledUpdateCheck(DesktopContext& context) {
    ScheduledUpdateCheck(context, FetchFromServer);
}

void ScheduledUpdateCheck(DesktopContext& context, const UpdateFetch& fetch) {
    if (!UpdateCheckAvailable(context)) return;
    ConversionSettings& settings = context.state.settings;
    const int64_t now = NowLocalSeconds();
    if (!ScheduledCheckDue(settings.updateRange, settings.updateDate, now)) return;
    if (AskYesNo(context.dialogs, context.state.texts.Text("Msg", "Check for Updates"),
                 context.state.texts.Text("Msg", "Ask check for updates"))) {
        CheckForUpdate(context, fetch);
    }
    // The date is stored as 32-bit seconds, like every date of the settings file.
    settings.updateDate = static_cast<int32_t>(now);
}

}  // namespace pictorb
