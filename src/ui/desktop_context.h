#pragma once
// The state of a desktop run: the process records the engine built, the dialogs, the icon
// sets and the theme list. One per process, owned by the desktop start.

#include <cstdint>
#include <functional>

#include "cli/process_state.h"
#include "themes/icon_sets.h"
#include "themes/themes.h"
#include "ui/dialogs.h"
#include "ui/preferences_page.h"
#include "update/update.h"

namespace pictorb {

// What the preferences dialog asks the main window to reload when it closes.
enum class ThemeReload : int32_t { None = 0, Theme = 1, IconSize = 2 };

struct DesktopContext {
    DesktopContext(ProcessState& processState, Dialogs& userDialogs)
        : state(processState), dialogs(userDialogs) {}

    ProcessState& state;
    Dialogs& dialogs;
    IconSets icons;
    ThemeList themes;
    std::string themeFolder;
    ThemeReload themeReload = ThemeReload::None;
    // The page the preferences dialog showed when it last closed: the Preview command's start.
    PreferencesPage lastPreferencesPage = PreferencesPage::General;
    bool screenshotMode = false;                  // skips the scheduled update check
    std::string updateHost{BuiltInUpdateHost()};  // empty: no update check at all
    // Set by the main window: "Copy as Command Line" for the settings a dialog shows.
    std::function<void(const ConversionSettings&)> copyCommandLine;
};

}  // namespace pictorb
