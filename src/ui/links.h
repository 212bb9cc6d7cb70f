#pragma once
// The manual, feedback and homepage links, the About window, the converter finder and the
// uninstall prompt.

#include <string>

namespace pictorb {

struct DesktopContext;
class MainWindow;

// The HTML manual for a program in `programFolder` (ending in '/'): the installed
// ../share/doc/pictorb/index.html, else doc/index.html of the build folder, else the former.
std::string ManualLocation(const std::string& programFolder);
void OpenManual(DesktopContext& context);  // command 18
// The manual at the section of that name ("watermark"), as F1 in a dialog opens it.
void OpenManualSection(DesktopContext& context, const std::string& section);
// Opens the manual at `manual` (at `section` when one is given), or says that it is not
// installed.
void OpenManualAt(DesktopContext& context, const std::string& manual,
                  const std::string& section = {});
void SendFeedback(DesktopContext& context);                             // command 21
void VisitHomepage(DesktopContext& context);                            // command 22
void OpenAbout(DesktopContext& context, MainWindow& window);            // command 24
void OpenConverterFinder(DesktopContext& context, MainWindow& window);  // command 16
// The uninstall prompt, shown instead of the main window; returns when it is closed.
void RunUninstallPrompt(DesktopContext& context);

}  // namespace pictorb
