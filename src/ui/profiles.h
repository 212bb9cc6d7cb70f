#pragma once
// The window's side of profiles (save, choose, load, the folder) and of "Copy as Command
// Line". Profiles are read and written by the command line's own code.

#include <string>
#include <vector>

#include "settings/conversion_settings.h"

class QMenu;

namespace pictorb {

struct DesktopContext;
class InputOutputFields;
class MainWindow;

// The names of the saved profiles (their files without ".ini"), sorted.
std::vector<std::string> SavedProfileNames();
// Fills the Profiles submenu: one entry per saved profile, applied when chosen.
void FillProfilesMenu(DesktopContext& context, MainWindow& window, QMenu& menu);

// Asks a name and writes the window's settings as that profile.
void SaveSettingsAsProfile(DesktopContext& context, MainWindow& window);
// Resets the settings a profile can hold to the command-line defaults, applies the profile
// over them and saves the settings file; says what was applied in the status bar and lists
// the refused lines in one message. False when the file could not be read.
bool ApplyProfile(DesktopContext& context, MainWindow& window, const std::string& path);
// A file dialog for any profile file, then ApplyProfile.
void LoadProfileFromFile(DesktopContext& context, MainWindow& window);
void OpenProfilesFolder(DesktopContext& context);

// The command line for the window's inputs, output folder and format with `settings`.
std::string WindowCommandLine(DesktopContext& context, const InputOutputFields& fields,
                              const ConversionSettings& settings);
// Puts WindowCommandLine on the clipboard and says so in the status bar.
void CopyCommandLine(DesktopContext& context, MainWindow& window,
                     const ConversionSettings& settings);

}  // namespace pictorb
