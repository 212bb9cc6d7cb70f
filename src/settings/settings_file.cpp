// Defaults, and the settings file: where it lives, how it is read and how it is written.

#include <optional>

#include "platform/files.h"
#include "settings/settings.h"
#include "settings/settings_fields.h"
#include "text/ini.h"
#include "text/utf8.h"

namespace pictorb {
namespace {

constexpr std::string_view kMakerFolder = "Corvalen";
constexpr std::string_view kProgramFolder = "pictorb";
constexpr std::string_view kFileName = "config.ini";

// The layouts before these versions lacked what the migrations add.
constexpr int32_t kMaskExtensionVersion = 11;
constexpr int32_t kRawLoadAsVersion = 14;

void Migrate(ConversionSettings& settings) {
    // Mask tokens match in any case, so "%EXT%" already names the extension.
    if (settings.cfg < kMaskExtensionVersion &&
        CountIgnoreCase(settings.filenameMask, "%ext%") == 0) {
        settings.filenameMask += ".%ext%";
    }
    // Two raw layouts were added ahead of the others.
    if (settings.cfg < kRawLoadAsVersion && settings.rawLoadAs != 0) settings.rawLoadAs += 2;
}

bool IsWritten(const ConversionSettings& settings, const SettingsField& field) {
    switch (field.save) {
        case FieldSave::Always:
        case FieldSave::LayoutVersion:
            return true;
        case FieldSave::WindowState:
        case FieldSave::WindowPosition:
            return settings.saveWindowPosition != 0;
        case FieldSave::Never:
            return false;
    }
    return false;
}

void WriteField(IniWriter& writer, const ConversionSettings& settings, const SettingsField& field) {
    if (!IsWritten(settings, field)) return;
    if (field.save == FieldSave::LayoutVersion) {
        writer.Key(field.key, std::to_string(kSettingsLayoutVersion));
    } else {
        writer.Key(field.key, FieldText(settings, field));
    }
}

const std::vector<std::string>* FormatListOf(std::string_view group, const Formats& formats) {
    if (group == "Input") return &formats.inputList;
    if (group == "Output") return &formats.outputList;
    return nullptr;
}

// A group's keys in written order: its general keys in table order, then the keys of each
// format of the edition's list in list order, then the window position.
void WriteGroup(IniWriter& writer, std::string_view group, const ConversionSettings& settings,
                const Formats& formats) {
    const auto fields = SettingsFields();
    writer.BeginGroup(group);
    for (const SettingsField& field : fields) {
        if (field.group == group && field.save != FieldSave::WindowPosition &&
            FieldFormat(field).empty()) {
            WriteField(writer, settings, field);
        }
    }
    if (const std::vector<std::string>* list = FormatListOf(group, formats)) {
        for (const std::string& format : *list) {
            for (const SettingsField& field : fields) {
                if (field.group == group && FieldFormat(field) == format) {
                    WriteField(writer, settings, field);
                }
            }
        }
    }
    for (const SettingsField& field : fields) {
        if (field.group == group && field.save == FieldSave::WindowPosition) {
            WriteField(writer, settings, field);
        }
    }
    writer.EndGroup();
}

void LoadFromDocument(ConversionSettings& settings, const IniDocument& document,
                      const Formats& formats) {
    const DefaultContext context{DefaultsFor::Desktop, &formats, 0, 0, NowLocalSeconds()};
    for (const SettingsField& field : SettingsFields()) {
        const IniGroup* group = document.Group(field.group);
        const std::string* value = group != nullptr ? group->Find(field.key) : nullptr;
        if (value != nullptr) {
            SetFieldFromText(settings, field, *value);
        } else {
            ApplyDefault(settings, field, field.loadDefault, context);
        }
    }
    Migrate(settings);
}

}  // namespace

void SetDefaults(ConversionSettings& settings, DefaultsFor caller, const Formats& formats,
                 int desktopWidth, int desktopHeight) {
    const DefaultContext context{caller, &formats, desktopWidth, desktopHeight, NowLocalSeconds()};
    for (const SettingsField& field : SettingsFields()) {
        ApplyDefault(settings, field, field.setDefault, context);
    }
}

bool LocateSettingsFile(ConversionSettings& settings) {
    settings.settingsFilePath.clear();
    const std::string appData = Trim(ApplicationDataFolder());
    if (appData.empty()) return false;
    std::string folder = appData.ends_with('/') ? appData : appData + '/';
    if (!CreateFolder(folder)) return false;
    for (const std::string_view part : {kMakerFolder, kProgramFolder}) {
        folder.append(part).push_back('/');
        if (!CreateFolder(folder)) return false;
    }
    settings.settingsFilePath = folder + std::string(kFileName);
    return true;
}

std::string ProfilesFolder() {
    const std::string appData = Trim(ApplicationDataFolder());
    if (appData.empty()) return {};
    return (appData.ends_with('/') ? appData : appData + '/') + std::string(kMakerFolder) + '/' +
           std::string(kProgramFolder) + "/profiles/";
}

void LoadSettings(ConversionSettings& settings, const Formats& formats, int desktopWidth,
                  int desktopHeight) {
    const std::optional<IniDocument> document = IniDocument::Load(settings.settingsFilePath);
    if (!document) {
        SetDefaults(settings, DefaultsFor::Desktop, formats, desktopWidth, desktopHeight);
        return;
    }
    LoadFromDocument(settings, *document, formats);
}

void LoadSettingsFromText(ConversionSettings& settings, std::string_view bytes) {
    LoadSettingsFromText(settings, bytes, Formats{});
}

void LoadSettingsFromText(ConversionSettings& settings, std::string_view bytes,
                          const Formats& formats) {
    LoadFromDocument(settings, IniDocument::Parse(bytes), formats);
}

std::string SettingsFileText(const ConversionSettings& settings, const Formats& formats) {
    IniWriter writer;
    std::string_view previous;
    for (const SettingsField& field : SettingsFields()) {
        // The table keeps each group's fields together, in the order the groups are written.
        if (field.group == previous) continue;
        previous = field.group;
        WriteGroup(writer, field.group, settings, formats);
    }
    return writer.Bytes();
}

bool SaveSettings(const ConversionSettings& settings, const Formats& formats) {
    if (settings.settingsFilePath.empty()) return false;
    // The save goes through a new file renamed over the old one, which would also replace a
    // file its user made read-only to freeze the settings: such a file stays as it is.
    if (!MayOverwriteFile(settings.settingsFilePath)) return false;
    return WriteFileAtomically(settings.settingsFilePath, SettingsFileText(settings, formats));
}

}  // namespace pictorb
