#include "ui/links.h"

namespace pictorb {

void OpenManual(DesktopContext&) {}
void SendFeedback(DesktopContext&) {}
void VisitHomepage(DesktopContext&) {}
void OpenAbout(DesktopContext&, MainWindow&) {}
void OpenConverterFinder(DesktopContext&, MainWindow&) {}
void RunUninstallPrompt(DesktopContext&) {}

}  // namespace pictorb
