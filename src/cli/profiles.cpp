// Writing profiles and command lines from settings: the other direction of the option loop,
// shaped by its rules so that reading the result gives the settings back.

#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "text/ini.h"
#include "text/text.h"

namespace pictorb {
namespace {

// Options whose value names a file.
bool IsPathOption(std::string_view longName) {
    return longName == "--wm-image";
}

// The changed options with their paths made absolute against `base`.
std::vector<ChangedOption> OptionsToWrite(const ConversionSettings& settings,
                                          const Formats& formats, const std::string& base) {
    ConversionSettings defaults;
    SetDefaults(defaults, DefaultsFor::CommandLine, formats);
    std::vector<ChangedOption> options = ChangedOptions(settings, defaults);
    for (ChangedOption& option : options) {
        if (IsPathOption(option.longName)) option.value = AbsolutePath(option.value, base);
    }
    return options;
}

}  // namespace

std::string AbsolutePath(const std::string& path, const std::string& base) {
    if (path.empty() || path.front() == '/') return path;
    if (path == "~" || path.starts_with("~/")) {
        const std::string home = HomeFolder();
        if (!home.empty()) return home + (path.size() > 2 ? path.substr(2) : std::string());
    }
    std::string folder = base.empty() ? CurrentFolder() : base;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + (path.starts_with("./") ? path.substr(2) : path);
}

std::string ProfileText(const ConversionSettings& settings, const Formats& formats,
                        std::string_view writer) {
    IniWriter ini;
    ini.Comment("Profile written by " + std::string(writer));
    ini.BeginGroup("CLI");
    for (const ChangedOption& option : OptionsToWrite(settings, formats, {}))
        ini.Key(option.profileKey, option.flag ? std::string_view("1") : option.value);
    ini.EndGroup();
    return ini.Bytes();
}

bool SaveProfile(const ProcessState& state, const std::string& path) {
    return WriteFileAtomically(path, ProfileText(state.settings, state.formats, state.title));
}

std::string ResolveProfilePath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || QueryFileSize(name) != kFileMissing)
        return name;
    const std::string folder = ProfilesFolder();
    if (folder.empty()) return name;
    const std::string saved = folder + name + ".ini";
    return QueryFileSize(saved) >= 0 ? saved : name;
}

std::string ShellQuote(std::string_view word) {
    // Words of only these characters mean the same to every POSIX shell unquoted.
    const bool plain = !word.empty() && word.find_first_not_of(
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                            "0123456789-_./=+,:@") == std::string_view::npos;
    if (plain) return std::string(word);
    // Inside single quotes nothing is special; a single quote itself is closed, escaped and
    // reopened.
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string CommandLineText(const CommandLineSetup& setup) {
    std::vector<std::string> words{setup.program};
    const std::string base = setup.baseFolder.empty() ? CurrentFolder() : setup.baseFolder;
    for (const std::string& input : setup.inputs) {
        words.push_back("-i");
        words.push_back(AbsolutePath(input, base));
    }
    if (!setup.outputFolder.empty()) {
        words.push_back("-o");
        words.push_back(AbsolutePath(setup.outputFolder, base));
    }
    if (setup.formats != nullptr && !setup.outputFormat.empty() &&
        (setup.formats->outputList.empty() || setup.outputFormat != setup.formats->outputList[0])) {
        words.push_back("-c");
        words.push_back(setup.outputFormat);
    }
    static const Formats kNoFormats;
    for (const ChangedOption& option : OptionsToWrite(
             setup.settings, setup.formats != nullptr ? *setup.formats : kNoFormats, base))
        words.push_back(option.flag ? option.longName : option.longName + "=" + option.value);
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        line += ShellQuote(word);
    }
    return line;
}

}  // namespace pictorb
