#include "ui/profiles.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "cli/cli.h"
#include "platform/files.h"
#include "settings/settings.h"
#include "text/utf8.h"
#include "ui/desktop_context.h"
#include "ui/input_output.h"
#include "ui/input_output_fields.h"
#include "ui/links.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace pictorb {
namespace {

constexpr std::string_view kProfileExtension = ".ini";

std::string ProfileNameOf(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    if (name.size() > kProfileExtension.size() &&
        EqualsIgnoreAsciiCase(name.substr(name.size() - kProfileExtension.size()),
                              kProfileExtension))
        name.resize(name.size() - kProfileExtension.size());
    return name;
}

// The profiles folder, made when missing; empty when it cannot be.
std::string MadeProfilesFolder() {
    const std::string folder = ProfilesFolder();
    if (folder.empty()) return {};
    ConversionSettings probe;
    // The folders above it are the settings file's.
    if (!LocateSettingsFile(probe) || !CreateFolder(folder)) return {};
    return folder;
}

// The program as a pasted line finds it: its bare name when its folder is on the PATH.
std::string ProgramWord(const std::string& programName) {
    const std::string name = programName.empty() ? std::string("pictorbcmd") : programName;
    const std::string folder = ProgramFolder();
    if (folder.empty() || QueryFileSize(folder + name) < 0) return name;
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        std::string entry(rest.substr(0, colon));
        if (!entry.empty() && entry.back() != '/') entry += '/';
        if (entry == folder) return name;
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return folder + name;
}

void Warn(DesktopContext& context, const std::string& text) {
    ShowMessage(context.dialogs, context.state.texts.Text("Msg", "Warning"), text,
                MessageIcon::Warning);
}

}  // namespace

std::vector<std::string> SavedProfileNames() {
    std::vector<FolderEntry> entries;
    std::string error;
    std::vector<std::string> names;
    if (ProfilesFolder().empty() || !ListFolder(ProfilesFolder(), entries, error)) return names;
    for (const FolderEntry& entry : entries) {
        const bool file = entry.kind == FileKind::File ||
                          (entry.kind == FileKind::Link && entry.target == FileKind::File);
        if (file && entry.name.front() != '.' && entry.name.ends_with(kProfileExtension))
            names.push_back(ProfileNameOf(entry.name));
    }
    return names;
}

void FillProfilesMenu(DesktopContext& context, MainWindow& window, QMenu& menu) {
    menu.clear();
    const std::vector<std::string> names = SavedProfileNames();
    if (names.empty()) {
        menu.addAction(ToQString(context.state.texts.Text("Menu", "No Profiles")))
            ->setEnabled(false);
        return;
    }
    for (const std::string& name : names) {
        // Names are shown as they are: an "&" in one is no mnemonic.
        QString text = ToQString(name);
        text.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction* action = menu.addAction(text);
        QObject::connect(action, &QAction::triggered, &window, [&context, &window, name] {
            ApplyProfile(context, window, ProfilesFolder() + name + std::string(kProfileExtension));
        });
    }
}

void SaveSettingsAsProfile(DesktopContext& context, MainWindow& window) {
    TextTable& texts = context.state.texts;
    std::string title = texts.Text("Menu", "Save Profile");
    if (title.ends_with("...")) title.resize(title.size() - 3);
    const std::optional<std::string> typed =
        context.dialogs.AskText(title, texts.Text("Msg", "Profile name"), {});
    if (!typed) return;
    const std::string name = Trim(*typed);
    if (name.empty()) return;
    if (name.find('/') != std::string::npos || name.front() == '.')
        return Warn(context, ExpandPlaceholders(texts.Text("Msg", "Invalid profile name"), name));
    const std::string folder = MadeProfilesFolder();
    const std::string path = folder + name + std::string(kProfileExtension);
    if (folder.empty() || QueryFileSize(path) == kFileIsFolder)
        return Warn(context, ExpandPlaceholders(texts.Text("Msg", "Unable to save file"), path));
    if (QueryFileSize(path) != kFileMissing &&
        !AskYesNo(context.dialogs, texts.Text("Msg", "Warning"),
                  ExpandPlaceholders(texts.Text("Msg", "Ask replace profile"), name)))
        return;
    if (!SaveProfile(context.state, path))
        return Warn(context, ExpandPlaceholders(texts.Text("Msg", "Unable to save file"), path));
    window.SetStatusText(ExpandPlaceholders(texts.Text("Msg", "Profile saved"), name));
}

bool ApplyProfile(DesktopContext& context, MainWindow& window, const std::string& path) {
    ProcessState& state = context.state;
    TextTable& texts = state.texts;
    const ConversionSettings before = state.settings;
    ConversionSettings defaults;
    SetDefaults(defaults, DefaultsFor::CommandLine, state.formats);
    ResetOptionSettings(state.settings, defaults);
    std::vector<std::string> refused;
    // The run controls a profile may hold belong to command-line runs; the window keeps its own.
    const bool exitCode = state.job.reportExitCode;
    const int8_t encoding = state.job.outputEncoding;
    const bool read = LoadProfile(state, path, &refused);
    state.job.reportExitCode = exitCode;
    state.job.outputEncoding = encoding;
    if (!read) {
        state.settings = before;
        Warn(context, ExpandPlaceholders(texts.Text("Msg", "Profile not read"), path));
        return false;
    }
    // As after OK in the preferences: the record is saved and the window shows it.
    SaveSettings(state.settings, state.formats);
    window.ApplyPreferences();
    const std::string name = ProfileNameOf(path);
    window.SetStatusText(ExpandPlaceholders(texts.Text("Msg", "Profile applied"), name));
    if (!refused.empty()) {
        std::string lines;
        for (const std::string& line : refused) lines += (lines.empty() ? "" : "\r\n") + line;
        Warn(context, ExpandPlaceholders(texts.Text("Msg", "Profile lines refused"), name, lines));
    }
    return true;
}

void LoadProfileFromFile(DesktopContext& context, MainWindow& window) {
    TextTable& texts = context.state.texts;
    const std::vector<std::string> files =
        context.dialogs.OpenFiles(texts.Text("Dialog", "Load Profile"), MadeProfilesFolder(),
                                  {texts.Text("Dialog", "Profile Files") + " (*.ini)",
                                   texts.Text("Dialog", "All Files") + " (*)"},
                                  false);
    if (!files.empty()) ApplyProfile(context, window, files.front());
}

void OpenProfilesFolder(DesktopContext& context) {
    const std::string folder = MadeProfilesFolder();
    if (!folder.empty()) OpenLink(context, folder);
}

std::string WindowCommandLine(DesktopContext& context, const InputOutputFields& fields,
                              const ConversionSettings& settings) {
    const std::string home = HomeFolder();
    const std::string start = CurrentFolder();
    CommandLineSetup setup;
    setup.program = ProgramWord(context.state.programName);
    // The window takes "~" and relative paths as the command line would from its start folder.
    for (const std::string& typed : fields.TypedInputs())
        setup.inputs.push_back(ExpandTypedPath(typed, home, start));
    setup.outputFolder = ExpandTypedPath(Trim(fields.TypedOutputFolder()), home, start);
    setup.outputFormat = fields.SelectedOutputFormat();
    setup.baseFolder = start;
    setup.settings = settings;
    setup.formats = &context.state.formats;
    return CommandLineText(setup);
}

void CopyCommandLine(DesktopContext& context, MainWindow& window,
                     const ConversionSettings& settings) {
    QGuiApplication::clipboard()->setText(
        ToQString(WindowCommandLine(context, window.Fields(), settings)));
    window.SetStatusText(context.state.texts.Text("Msg", "Command line copied"));
}

}  // namespace pictorb
