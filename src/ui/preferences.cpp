#include "ui/preferences.h"

namespace pictorb {

void OpenPreferences(DesktopContext&, MainWindow&, PreferencesPage) {}

}  // namespace pictorb
