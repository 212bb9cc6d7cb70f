#include "ui/preferences.h"

#include "ui/preferences_dialog.h"

namespace pictorb {

bool OpenPreferences(DesktopContext& context, QWidget& window, PreferencesPage start) {
    PreferencesDialog dialog(context, &window, start);
    dialog.exec();
    const PreferencesOutcome& outcome = dialog.Outcome();
    if (!outcome.saved) return false;
    context.themeReload = outcome.reload;
    return true;
}

}  // namespace pictorb
