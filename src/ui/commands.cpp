#include "ui/commands.h"

namespace pictorb {
namespace {

constexpr CommandRow kCommands[] = {
    {kCommandNew, "New", "New", "Ctrl+N"},
    {kCommandExit, "Exit", "Exit", "Alt+X; Ctrl+Q"},
    {kCommandAddInputFile, "Select Input Files", "Add", ""},
    {kCommandAddInputFolder, "Select Input Folder", "InFolder", ""},
    {kCommandSelectOutputFolder, "Select Output Folder", "OutFolder", ""},
    {kCommandOutputOptions, "Output Format Options", "OutFormat", ""},
    {kCommandConvert, "Convert", "Convert", "F5"},
    {kCommandPreview, "Preview", "Preview", "F6"},
    {kCommandFindConverter, "Custom Converter", "CustomConverter", ""},
    {kCommandPreferences, "Preferences", "Preferences", "Ctrl+,"},
    {kCommandManual, "Manual", "Help", "F1"},
    {kCommandFeedback, "Send Feedback", "Email", ""},
    {kCommandHomepage, "Visit Homepage", "Web", ""},
    {kCommandCheckUpdate, "Check For New Version", "Updates", ""},
    {kCommandAbout, "About", "About", ""},
    {kCommandSaveProfile, "Save Profile", "ExportFiles", ""},
    {kCommandProfilesMenu, "Profiles", "FavFolder", ""},
    {kCommandLoadProfile, "Load Profile", "ImportFiles", ""},
    {kCommandOpenProfilesFolder, "Open Profiles Folder", "OutFolder", ""},
    {kCommandCopyCommandLine, "Copy Command Line", "Copy", ""},
};

constexpr int32_t kFileMenu[] = {kCommandNew,
                                 kSeparator,
                                 kCommandAddInputFile,
                                 kCommandAddInputFolder,
                                 kCommandSelectOutputFolder,
                                 kSeparator,
                                 kCommandSaveProfile,
                                 kCommandProfilesMenu,
                                 kCommandLoadProfile,
                                 kCommandOpenProfilesFolder,
                                 kSeparator,
                                 kCommandExit};
constexpr int32_t kConverterMenu[] = {kCommandConvert,        kCommandPreview, kSeparator,
                                      kCommandFindConverter,  kSeparator,      kCommandPreferences,
                                      kCommandCopyCommandLine};
constexpr int32_t kHelpMenu[] = {kCommandManual,   kSeparator,          kCommandFeedback,
                                 kCommandHomepage, kCommandCheckUpdate, kSeparator,
                                 kCommandAbout};
constexpr MenuLayoutEntry kMenus[] = {
    {"File", kFileMenu},
    {"Converter", kConverterMenu},
    {"Help", kHelpMenu},
};

constexpr int32_t kMainToolbar[] = {kCommandNew,
                                    kCommandAddInputFile,
                                    kCommandAddInputFolder,
                                    kCommandSelectOutputFolder,
                                    kSeparator,
                                    kCommandPreferences,
                                    kSeparator,
                                    kCommandConvert,
                                    kCommandPreview,
                                    kSeparator,
                                    kCommandManual,
                                    kCommandFeedback,
                                    kCommandHomepage,
                                    kCommandCheckUpdate};

constexpr int32_t kInputFieldToolbar[] = {kCommandAddInputFile, kCommandAddInputFolder};
constexpr int32_t kOutputFolderToolbar[] = {kCommandSelectOutputFolder};
constexpr int32_t kOutputFormatToolbar[] = {kCommandOutputOptions};
constexpr std::span<const int32_t> kFieldToolbars[] = {kInputFieldToolbar, kOutputFolderToolbar,
                                                       kOutputFormatToolbar};

}  // namespace

std::span<const CommandRow> CommandTable() {
    return kCommands;
}

const CommandRow* FindCommand(int32_t command) {
    for (const CommandRow& row : kCommands)
        if (row.command == command) return &row;
    return nullptr;
}

std::span<const MenuLayoutEntry> MenuLayout() {
    return kMenus;
}
std::span<const int32_t> MainToolbarLayout() {
    return kMainToolbar;
}
std::span<const std::span<const int32_t>> FieldToolbarLayout() {
    return kFieldToolbars;
}

}  // namespace pictorb
