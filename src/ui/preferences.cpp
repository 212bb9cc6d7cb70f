#include "ui/preferences.h"

#include "ui/preferences_dialog.h"

namespace pictorb {

bool OpenPreferences(DesktopContext& context, QWidget& window, PreferencesPage start,
                     const PreviewInputs& inputs, bool showPreview) {
    PreferencesDialog dialog(context, &window, start, inputs, showPreview);
    dialog.exec();
    const PreferencesOutcome& outcome = dialog.Outcome();
    if (!outcome.saved) return false;
    context.themeReload = outcome.reload;
    return true;
}

}  // namespace pictorb
