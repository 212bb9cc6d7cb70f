#pragma once
// Shared set-up of the desktop tests: one QApplication on the offscreen platform, process
// records built as the engine builds them, and dialogs that answer from a script.

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QPalette>
#include <QString>

#include "cli/process_state.h"
#include "support/process_runner.h"
#include "ui/desktop_context.h"
#include "ui/dialogs.h"

class QLabel;
class QWidget;

namespace pictorb::test {

// Creates the application once per test program (offscreen unless QT_QPA_PLATFORM is set).
void EnsureApplication();

// Answers every question from queues filled by the test and records what was asked.
class ScriptedDialogs : public Dialogs {
  public:
    struct Asked {
        std::string title;
        std::string text;
        MessageIcon icon;
        MessageButtons buttons;
    };
    std::deque<MessageAnswer> answers;   // empty: Ok for OK boxes, No for questions
    std::function<void()> beforeAnswer;  // a user taking time: runs before each answer
    std::deque<std::vector<std::string>> files;
    std::deque<std::optional<std::string>> folders;
    std::deque<std::optional<std::string>> colors;
    std::deque<std::optional<ChosenFont>> fonts;
    std::deque<std::optional<std::string>> typed;  // answers to AskText; empty: cancelled
    std::vector<std::string> textPrompts;          // the title of each AskText
    std::vector<Asked> asked;
    std::vector<std::string> opened;                    // URLs handed to the desktop
    bool nothingOpens = false;                          // no browser, mail program, file manager
    std::vector<std::vector<std::string>> fileFilters;  // the filters of each open dialog
    std::vector<std::string> folderTitles;              // the title of each folder dialog

    MessageAnswer Message(const std::string& title, const std::string& text, MessageIcon icon,
                          MessageButtons buttons) override;
    std::vector<std::string> OpenFiles(const std::string& title, const std::string& start,
                                       const std::vector<std::string>& filters,
                                       bool several) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& start) override;
    std::optional<std::string> ChooseColor(const std::string& initialRrggbb) override;
    std::optional<ChosenFont> ChooseFont(const ChosenFont& initial) override;
    std::optional<std::string> AskText(const std::string& title, const std::string& label,
                                       const std::string& initial) override;
    void OpenUrl(const std::string& url, std::function<void()> failed) override;
};

// What is cut off or drawn over something else in `window` as it is now: each visible label,
// button, field, list, slider and bar smaller than its least size, outside its parent, or
// overlapping another of them beside it. One line each; empty when the window is sound.
std::vector<std::string> LayoutFaults(const QWidget& window);

// Relative luminance contrast of `label`'s text against the window behind it, with the text
// colour's transparency blended in (4.5 is the least for text people must read).
double TextContrast(const QLabel& label);

// A dark desktop theme while it lives: Fusion with a dark palette (screenshots); the style
// and palette before it come back after.
class DarkTheme {
  public:
    DarkTheme();
    ~DarkTheme();
    DarkTheme(const DarkTheme&) = delete;
    DarkTheme& operator=(const DarkTheme&) = delete;

  private:
    QPalette light_;
    QString lightStyle_;
};

// Process records as the engine builds them, desktop defaults, settings file in a private
// folder (XDG_CONFIG_HOME points into it for the test's life), built-in texts and icons.
class DesktopFixture {
  public:
    DesktopFixture();
    ~DesktopFixture();

    TempDir dir;
    ScopedEnv configHome;
    ProcessState state;
    ScriptedDialogs dialogs;
    DesktopContext context;
};

}  // namespace pictorb::test
