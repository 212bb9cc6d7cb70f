#pragma once
// The preferences dialog (commands 8 and 17).

#include "ui/preferences_page.h"

class QWidget;

namespace pictorb {

struct DesktopContext;

// Opens the modal dialog on `start` over `window`. True when OK or Defaults wrote the
// settings record and the settings file; context.themeReload then says what to reload.
// `inputs` choose the preview's picture; `showPreview` shows the preview whatever the setting.
bool OpenPreferences(DesktopContext& context, QWidget& window, PreferencesPage start,
                     const PreviewInputs& inputs = {}, bool showPreview = false);

}  // namespace pictorb
