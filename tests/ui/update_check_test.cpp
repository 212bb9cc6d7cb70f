// The update check's messages and schedule, answered by script; the server is a stand-in.

#include "ui/update_check.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStatusBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "platform/files.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/preferences_dialog.h"
#include "ui/ui_harness.h"
#include "update/test_server.h"
#include "update/update.h"

namespace pictorb::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int64_t kDay = 86400;

constexpr const char* kHost = "update.vendor.example";

class UpdateCheckTest : public ::testing::Test {
  protected:
    UpdateCheckTest() { fixture.context.updateHost = kHost; }

    DesktopFixture fixture;
    ScriptedDialogs& dialogs = fixture.dialogs;
    ConversionSettings& settings = fixture.state.settings;
    std::vector<std::pair<std::string, std::string>> fetched;  // url, user agent

    UpdateFetch Answer(const std::string& text) {
        return [this, text](const std::string& url, const std::string& agent) {
            fetched.emplace_back(url, agent);
            return text;
        };
    }
};

TEST_F(UpdateCheckTest, TellsWhatTheServerSaid) {
    struct Case {
        std::string text;
        std::optional<MessageAnswer> answer;
        std::string title;
        MessageIcon icon;
        MessageButtons buttons;
        bool opensDownloadPage;
    };
    const Case cases[] = {
        {"221", MessageAnswer::Yes, "New Update", MessageIcon::Question, MessageButtons::YesNo,
         true},
        {"221", MessageAnswer::No, "New Update", MessageIcon::Question, MessageButtons::YesNo,
         false},
        {"220", {}, "No Update", MessageIcon::Information, MessageButtons::Ok, false},
        {"219", {}, "No Update", MessageIcon::Information, MessageButtons::Ok, false},
        {"", {}, "Error", MessageIcon::Error, MessageButtons::Ok, false},
        {"<ht", {}, "Error", MessageIcon::Error, MessageButtons::Ok, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dialogs.asked.clear();
        dialogs.opened.clear();
        fetched.clear();
        if (c.answer) dialogs.answers.push_back(*c.answer);
        CheckForUpdate(fixture.context, Answer(c.text));

        ASSERT_EQ(fetched.size(), 1u);
        EXPECT_EQ(fetched[0].first, "http://update.vendor.example/files/pictorb.dat");
        EXPECT_EQ(fetched[0].second, "Corvalen Pictorb 2.2");
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_EQ(dialogs.asked[0].title, c.title);
        EXPECT_EQ(dialogs.asked[0].icon, c.icon);
        EXPECT_EQ(dialogs.asked[0].buttons, c.buttons);
        EXPECT_EQ(dialogs.opened,
                  c.opensDownloadPage
                      ? std::vector<std::string>{"https://www.corvalen.example/pictorb/"}
                      : std::vector<std::string>{});
    }
    EXPECT_EQ(dialogs.asked[0].text, "Internet connection problems!");
}

TEST_F(UpdateCheckTest, WindowsKeepPaintingWhileTheServerIsAskedButInputWaits) {
    std::atomic<bool> fetching = false;
    bool tickedDuringFetch = false;
    QLineEdit field;
    field.show();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!fetching) return;
        tickedDuringFetch = true;
        // A key typed meanwhile is dropped, not replayed afterwards.
        QCoreApplication::postEvent(
            &field, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
    });
    timer.start(10);
    CheckForUpdate(fixture.context, [&](const std::string&, const std::string&) {
        fetching = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        fetching = false;
        return std::string("220");
    });
    EXPECT_TRUE(tickedDuringFetch);
    EXPECT_EQ(dialogs.asked.size(), 1u);
    timer.stop();
    QCoreApplication::processEvents();
    EXPECT_EQ(field.text(), "");
    // Afterwards typing works again.
    QCoreApplication::postEvent(&field,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
    QCoreApplication::processEvents();
    EXPECT_EQ(field.text(), "x");
}

TEST_F(UpdateCheckTest, ScheduleAsksOnceTheIntervalHasPassed) {
    struct Case {
        const char* label;
        int32_t range;
        int64_t daysAgo;
        std::optional<MessageAnswer> answer;
        bool asks;
        bool checks;
    };
    const Case cases[] = {
        {"weekly, eight days, No", 1, 8, MessageAnswer::No, true, false},
        {"weekly, eight days, Yes", 1, 8, MessageAnswer::Yes, true, true},
        {"weekly, six days", 1, 6, {}, false, false},
        {"daily, two days", 0, 2, MessageAnswer::No, true, false},
        {"never", 5, 4000, {}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        dialogs.asked.clear();
        fetched.clear();
        settings.updateRange = c.range;
        const int32_t before = static_cast<int32_t>(NowLocalSeconds() - c.daysAgo * kDay);
        settings.updateDate = before;
        if (c.answer) dialogs.answers.push_back(*c.answer);
        ScheduledUpdateCheck(fixture.context, Answer("220"));

        ASSERT_EQ(dialogs.asked.empty(), !c.asks);
        if (c.asks) {
            EXPECT_EQ(dialogs.asked[0].title, "Check for Updates");
            EXPECT_EQ(dialogs.asked[0].text, "Do you want to check for updates?");
            EXPECT_NEAR(settings.updateDate, NowLocalSeconds(), 2);
        } else {
            EXPECT_EQ(settings.updateDate, before);
        }
        EXPECT_EQ(fetched.size(), c.checks ? 1u : 0u);
        if (c.checks) {
            ASSERT_EQ(dialogs.asked.size(), 2u);
            EXPECT_EQ(dialogs.asked[1].title, "No Update");
        }
    }
}

TEST_F(UpdateCheckTest, StatusBarSaysItIsCheckingAndEscapeCancels) {
    MainWindow window(fixture.context);
    std::promise<void> release;
    std::promise<void> finished;
    std::shared_future<void> released = release.get_future().share();
    QString shownWhileWaiting;
    QTimer::singleShot(50, &window, [&] {
        shownWhileWaiting = window.statusBar()->currentMessage();
        QCoreApplication::postEvent(
            &window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    });
    const Clock::time_point start = Clock::now();
    CheckForUpdate(fixture.context, [&](const std::string&, const std::string&) {
        released.wait();  // a server that does not answer
        finished.set_value();
        return std::string("221");
    });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    release.set_value();
    finished.get_future().wait();

    EXPECT_EQ(shownWhileWaiting, "Checking for a new version... (Esc cancels)");
    EXPECT_LT(seconds, 1.0);
    EXPECT_TRUE(dialogs.asked.empty()) << "a cancelled check says nothing";
    EXPECT_EQ(window.statusBar()->currentMessage(), "");
}

// The actions of the check-for-update command in the window's menus and toolbars.
std::vector<QAction*> CheckUpdateActions(MainWindow& window) {
    std::vector<QAction*> found;
    for (QAction* action : window.findChildren<QAction*>())
        if (action->data().toInt() == kCommandCheckUpdate) found.push_back(action);
    return found;
}

TEST_F(UpdateCheckTest, WithoutAnUpdateHostNothingIsOfferedOrAsked) {
    {
        MainWindow window(fixture.context);
        const std::vector<QAction*> actions = CheckUpdateActions(window);
        ASSERT_EQ(actions.size(), 2u) << "menu and toolbar";
        for (QAction* action : actions) EXPECT_TRUE(action->isVisible());
    }
    fixture.context.updateHost.clear();
    MainWindow window(fixture.context);
    for (QAction* action : CheckUpdateActions(window)) EXPECT_FALSE(action->isVisible());

    settings.updateRange = 1;
    settings.updateDate = static_cast<int32_t>(NowLocalSeconds() - 400 * kDay);
    const int32_t before = settings.updateDate;
    ScheduledUpdateCheck(fixture.context, Answer("221"));
    window.RunCommand(kCommandCheckUpdate);
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_TRUE(fetched.empty());
    EXPECT_EQ(settings.updateDate, before);

    // The preferences show "Never" and leave the stored range as it was.
    PreferencesDialog preferences(fixture.context, &window, PreferencesPage::General);
    auto* range = qobject_cast<QComboBox*>(preferences.Control("General", "Update Range"));
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->currentText(), "Never");
    EXPECT_FALSE(range->isEnabled());
    preferences.Confirm();
    EXPECT_EQ(settings.updateRange, 1);
}

TEST_F(UpdateCheckTest, ServerFailsQuicklyWhenItsHostDoesNotResolve) {
    // .invalid never resolves: without a network at once, else within the open limit.
    fixture.context.updateHost = "update.corvalen.invalid";
    const Clock::time_point start = Clock::now();
    CheckForUpdate(fixture.context);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "Internet connection problems!");
    EXPECT_LT(seconds, kUpdateOpenTimeoutMs / 1000.0 + 1.0);
    RecordProperty("seconds_to_failure_message", std::to_string(seconds));
    std::printf("time to the failure message: %.3f s\n", seconds);
}

TEST_F(UpdateCheckTest, LocalServerAnswersAreToldAtOnce) {
    struct Case {
        const char* label;
        std::string response;
        std::string title;
    };
    const Case cases[] = {
        {"keep-alive 404", "HTTP/1.1 404 Not Found\r\n\r\n404 page not found", "Error"},
        {"keep-alive 404 with length",
         "HTTP/1.1 404 Not Found\r\nContent-Length: 18\r\n\r\n404 page not found", "Error"},
        {"keep-alive 200 with length, no number",
         "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nnone", "Error"},
        {"keep-alive 200 with length", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n221",
         "New Update"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        dialogs.asked.clear();
        TestServer server({c.response}, TestServer::Mode::KeepOpen);
        fixture.context.updateHost = server.Host();
        const Clock::time_point start = Clock::now();
        CheckForUpdate(fixture.context);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        ASSERT_EQ(dialogs.asked.size(), 1u);
        EXPECT_EQ(dialogs.asked[0].title, c.title);
        EXPECT_LT(seconds, 1.0);
        std::printf("%s: %s after %.2f ms\n", c.label, c.title.c_str(), seconds * 1000);
    }
}

}  // namespace
}  // namespace pictorb::test
