// The real dialogs behind the interface: the desktop's opener with its outcome, and message
// boxes as the user meets them.

#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "ui/ui_harness.h"

namespace pictorb::test {
namespace {

// Runs the event loop until `done` or `ms` passed.
bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QTest::qWait(10);
    return done();
}

// A fake xdg-open in a folder of its own on PATH: it writes what it was given, says `stderr`
// and exits with `code`.
class FakeOpener {
  public:
    explicit FakeOpener(int code) : path_("PATH", dir_.Path() + ":/usr/bin:/bin") {
        const std::string script = "#!/bin/sh\nprintf '%s' \"$1\" > '" + Given() +
                                   "'\necho 'xdg-open: no method available' >&2\nexit " +
                                   std::to_string(code) + "\n";
        WriteBytes(dir_.Join("xdg-open"), script);
        chmod(dir_.Join("xdg-open").c_str(), 0755);
    }
    std::string Given() const { return dir_.Join("given"); }

  private:
    TempDir dir_;
    ScopedEnv path_;
};

TEST(QtDialogs, TheOpenersFailureIsToldItsSuccessIsNot) {
    EnsureApplication();
    QtDialogs dialogs;
    struct Case {
        const char* name;
        int code;
        std::string url, given;
        bool failed;
    };
    const std::vector<Case> cases = {
        {"no browser", 3, "https://www.corvalen.example/pictorb/",
         "https://www.corvalen.example/pictorb/", true},
        {"a browser", 0, "mailto:a@b.example?subject=A%20B", "mailto:a@b.example?subject=A%20B",
         false},
        {"a local page at a section", 0, "/usr/share/doc/pictorb/index.html#watermark",
         "file:///usr/share/doc/pictorb/index.html#watermark", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeOpener opener(c.code);
        bool failed = false;
        dialogs.OpenUrl(c.url, [&] { failed = true; });
        ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(opener.Given()); }, 5000));
        EXPECT_EQ(ReadBytes(opener.Given()).value_or(""), c.given);
        // The outcome arrives from the event loop once the opener has ended.
        EXPECT_EQ(WaitFor([&] { return failed; }, c.failed ? 5000 : 500), c.failed);
    }
    {
        SCOPED_TRACE("no opener installed at all");
        TempDir empty;
        ScopedEnv path("PATH", empty.Path());
        bool failed = false;
        dialogs.OpenUrl("https://www.corvalen.example/", [&] { failed = true; });
        EXPECT_TRUE(WaitFor([&] { return failed; }, 5000));
    }
}

// A question whose Yes cannot be undone does not take Return as Yes; every message's text can
// be selected, so that a path or address in it can be copied.
TEST(QtDialogs, DestructiveQuestionsDefaultToNoAndTextsAreSelectable) {
    EnsureApplication();
    QtDialogs dialogs;
    for (const MessageButtons buttons : {MessageButtons::YesNoDefaultNo, MessageButtons::Ok}) {
        SCOPED_TRACE(static_cast<int>(buttons));
        Qt::TextInteractionFlags flags;
        QTimer::singleShot(50, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            flags = box->findChild<QLabel*>("qt_msgbox_label")->textInteractionFlags();
            QTest::keyClick(box, Qt::Key_Return);
        });
        const MessageAnswer answer =
            dialogs.Message("Reset to Defaults", "Sure?", MessageIcon::Question, buttons);
        EXPECT_EQ(answer, buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No);
        EXPECT_TRUE(flags & Qt::TextSelectableByMouse);
        EXPECT_TRUE(flags & Qt::TextSelectableByKeyboard);
    }
}

}  // namespace
}  // namespace pictorb::test
