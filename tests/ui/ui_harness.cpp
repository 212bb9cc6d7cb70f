#include "ui/ui_harness.h"

#include <QApplication>

#include "pipeline/job.h"
#include "settings/settings.h"
#include "ui/builtin_icons.h"

namespace pictorb::test {

void EnsureApplication() {
    if (QApplication::instance() != nullptr) return;
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);  // lives as long as the test program
}

MessageAnswer ScriptedDialogs::Message(const std::string& title, const std::string& text,
                                       MessageIcon icon, MessageButtons buttons) {
    asked.push_back({title, text, icon, buttons});
    if (beforeAnswer) beforeAnswer();
    MessageAnswer answer = buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    return answer;
}

std::vector<std::string> ScriptedDialogs::OpenFiles(const std::string&, const std::string&,
                                                    const std::vector<std::string>& filters, bool) {
    fileFilters.push_back(filters);
    if (files.empty()) return {};
    std::vector<std::string> chosen = files.front();
    files.pop_front();
    return chosen;
}

template <typename T>
static T Next(std::deque<T>& queue) {
    if (queue.empty()) return T{};
    T value = queue.front();
    queue.pop_front();
    return value;
}

std::optional<std::string> ScriptedDialogs::ChooseFolder(const std::string& title,
                                                         const std::string&) {
    folderTitles.push_back(title);
    return Next(folders);
}

std::optional<std::string> ScriptedDialogs::ChooseColor(const std::string&) {
    return Next(colors);
}

std::optional<ChosenFont> ScriptedDialogs::ChooseFont(const ChosenFont&) {
    return Next(fonts);
}

std::optional<std::string> ScriptedDialogs::AskText(const std::string& title, const std::string&,
                                                    const std::string&) {
    textPrompts.push_back(title);
    return Next(typed);
}

void ScriptedDialogs::OpenUrl(const std::string& url) {
    opened.push_back(url);
}

DesktopFixture::DesktopFixture()
    : configHome("XDG_CONFIG_HOME", dir.Join("config")), context(state, dialogs) {
    EnsureApplication();
    state.formats = MakeFormats();
    InitJobContext(state.job, state.formats);
    SetDefaults(state.settings, DefaultsFor::Desktop, state.formats);
    state.texts.Load("");
    state.title = "Corvalen Pictorb 2.2";
    LocateSettingsFile(state.settings);
    FillIconNames(context.icons);
    LoadBuiltInIcons(context.icons, state.settings.uiSize);
}

DesktopFixture::~DesktopFixture() = default;

}  // namespace pictorb::test
