#pragma once
// The preferences dialog (commands 8 and 17).

#include <cstdint>

namespace pictorb {

struct DesktopContext;
class MainWindow;

enum class PreferencesPage : int32_t {
    General,
    Interface,
    Input,
    Output,
    Transform,
    Adjustment,
    Frame,
    Watermark,
    Advanced
};

// Opens the modal dialog on `start` over the main window. On OK or Defaults it writes the
// settings record and the settings file, sets context.themeReload, and asks the window to
// reload icons and select the chosen output format.
void OpenPreferences(DesktopContext& context, MainWindow& window, PreferencesPage start);

}  // namespace pictorb
