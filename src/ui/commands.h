#pragma once
// The main window's commands as data: their numbers, what each shows (text, icon, shortcut)
// and where each is placed (menus, toolbars). Qt-free; the window builds its actions from
// these lists and runs every command through one dispatch (MainWindow::RunCommand).

#include <cstdint>
#include <span>

namespace pictorb {

inline constexpr int32_t kCommandNew = 0;
inline constexpr int32_t kCommandExit = 3;
inline constexpr int32_t kCommandAddInputFile = 5;
inline constexpr int32_t kCommandAddInputFolder = 6;
inline constexpr int32_t kCommandSelectOutputFolder = 7;
inline constexpr int32_t kCommandOutputOptions = 8;
inline constexpr int32_t kCommandConvert = 14;
inline constexpr int32_t kCommandFindConverter = 16;
inline constexpr int32_t kCommandPreferences = 17;
inline constexpr int32_t kCommandManual = 18;
inline constexpr int32_t kCommandFeedback = 21;
inline constexpr int32_t kCommandHomepage = 22;
inline constexpr int32_t kCommandCheckUpdate = 23;
inline constexpr int32_t kCommandAbout = 24;
inline constexpr int32_t kCommandPreview = 40;
inline constexpr int32_t kCommandSaveProfile = 41;
// Stands for the submenu of saved profiles; its entries are the profile files.
inline constexpr int32_t kCommandProfilesMenu = 42;
inline constexpr int32_t kCommandLoadProfile = 43;
inline constexpr int32_t kCommandOpenProfilesFolder = 44;
inline constexpr int32_t kCommandCopyCommandLine = 45;

// Stands for a separator in the menu and toolbar layouts.
inline constexpr int32_t kSeparator = -100;

// One row of the command table: what menus, toolbars and shortcuts show for a command.
struct CommandRow {
    int32_t command;
    const char* textKey;   // key in group "Menu"
    const char* iconName;  // image name in the icon sets
    const char* shortcut;  // Qt key sequences, "; " between two, the first shown; or empty
};

struct MenuLayoutEntry {
    const char* titleKey;  // key in group "Menu"
    std::span<const int32_t> commands;
};

// Every command, once.
std::span<const CommandRow> CommandTable();
// The row of a command; nullptr for a number the table does not hold.
const CommandRow* FindCommand(int32_t command);

// The menu bar's menus, left to right, with their commands and separators.
std::span<const MenuLayoutEntry> MenuLayout();
// The main toolbar's buttons and separators.
std::span<const int32_t> MainToolbarLayout();
// The small toolbars beside the input, output folder and format fields, top to bottom, each
// with its commands left to right.
std::span<const std::span<const int32_t>> FieldToolbarLayout();

}  // namespace pictorb
