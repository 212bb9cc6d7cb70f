#include "ui/update_check.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMetaObject>

#include <system_error>
#include <thread>

#include "app/branding.h"
#include "platform/files.h"
#include "ui/desktop_context.h"
#include "update/update.h"

namespace pictorb {
namespace {

// Swallows the user's input while the check waits for the server, so that nothing the user
// does meanwhile is replayed afterwards; painting and timers go on.
class InputBlocker : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
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
};

// Runs the fetch on a helper thread while a local event loop keeps the windows painted.
std::string FetchWhileRepainting(const UpdateFetch& fetch, const std::string& url,
                                 const std::string& userAgent) {
    if (QCoreApplication::instance() == nullptr) return fetch(url, userAgent);
    std::string text;
    QEventLoop loop;
    std::thread worker;
    try {
        worker = std::thread([&] {
            text = fetch(url, userAgent);
            // Queued: runs inside loop.exec() even when the fetch ends before it starts.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        return fetch(url, userAgent);  // no thread to spare: wait without painting
    }
    InputBlocker blocker;
    QCoreApplication::instance()->installEventFilter(&blocker);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    loop.exec();
    QGuiApplication::restoreOverrideCursor();
    QCoreApplication::instance()->removeEventFilter(&blocker);
    worker.join();
    return text;
}

}  // namespace

void CheckForUpdate(DesktopContext& context) {
    CheckForUpdate(context, HttpGetBody);
}

void CheckForUpdate(DesktopContext& context, const UpdateFetch& fetch) {
    TextTable& texts = context.state.texts;
    Dialogs& dialogs = context.dialogs;
    // The title text names the program and its version to the server.
    const std::string text = FetchWhileRepainting(fetch, UpdateDataUrl(), context.state.title);
    switch (JudgeUpdate(text, kVersionNumber)) {
        case UpdateVerdict::Failure:
            ShowMessage(dialogs, texts.Text("Msg", "Error"),
                        texts.Text("Msg", "Internet connection problems"), MessageIcon::Error);
            break;
        case UpdateVerdict::NewerVersion:
            if (AskYesNo(dialogs, texts.Text("Msg", "New Update"),
                         texts.Text("Msg", "New Update Text"))) {
                dialogs.OpenUrl(UpdateDownloadUrl());
            }
            break;
        case UpdateVerdict::NoNewerVersion:
            ShowMessage(dialogs, texts.Text("Msg", "No Update"),
                        texts.Text("Msg", "No Update Text"), MessageIcon::Information);
            break;
    }
}

void ScheduledUpdateCheck(DesktopContext& context) {
    ScheduledUpdateCheck(context, HttpGetBody);
}

void ScheduledUpdateCheck(DesktopContext& context, const UpdateFetch& fetch) {
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
