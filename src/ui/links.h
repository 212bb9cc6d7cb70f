#pragma once
// The manual, feedback and homepage links, the About window, the converter finder and the
// uninstall prompt.

#include <array>
#include <span>
#include <string>

class QWidget;

namespace pictorb {

struct DesktopContext;

// A library the program links, as About names it.
struct LinkedLibrary {
    const char* name;
    const char* licence;
    std::array<const char*, 3> files;  // the library files' names up to ".so"; unused are null
};
// Every library the program's parts link directly, apart from the C and C++ runtime.
std::span<const LinkedLibrary> LinkedLibraries();

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
// Hands `target` to the desktop; where nothing can open it, a message shows `shown` (the
// address or path as the user would type it), selectable so that it can be copied.
void OpenLink(DesktopContext& context, const std::string& target, const std::string& shown);
void OpenLink(DesktopContext& context, const std::string& target);
void SendFeedback(DesktopContext& context);   // command 21
void VisitHomepage(DesktopContext& context);  // command 22
// Secondary windows over `window`, which takes no input while they are open.
void OpenAbout(DesktopContext& context, QWidget& window);            // command 24
void OpenConverterFinder(DesktopContext& context, QWidget& window);  // command 16
// The uninstall prompt, shown instead of the main window; returns when it is closed.
void RunUninstallPrompt(DesktopContext& context);

}  // namespace pictorb
