#include "ui/preferences.h"

#include "ui/main_window.h"
#include "ui/preferences_dialog.h"

namespace pictorb {

void OpenPreferences(DesktopContext& context, MainWindow& window, PreferencesPage start) {
    PreferencesDialog dialog(context, &window, start);
    dialog.exec();
    const PreferencesOutcome& outcome = dialog.Outcome();
    if (!outcome.saved) return;
    context.themeReload = outcome.reload;
    window.ApplyPreferences();
}

}  // namespace pictorb
