#pragma once
// The command-line face: options, profile files, help, banner and the conversion run.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/parameters.h"
#include "cli/process_state.h"
#include "formats/formats.h"
#include "pipeline/job_context.h"
#include "settings/conversion_settings.h"
#include "settings/settings.h"
#include "text/text.h"

namespace pictorb {

// What the option loop found, before anything is reported or run.
struct OptionLoopResult {
    std::string error;  // empty when every option was good
    bool quiet = false;
    bool pause = false;
    std::vector<std::string> unknownOptions;       // as given, without a value after "="
    std::vector<std::string> refusedProfileLines;  // "PATH: reason: key = value"
    std::string saveProfilePath;                   // --save-profile: where this run's settings go
};

// What an option takes: a text, a number, a keyword of a keyword table, or nothing (a flag).
enum class OptionValueKind { Text, Integer, Decimal, Keyword, Flag };

// One row of the option table as listings see it: the man page, the manual and the shell
// completion are generated from these, so they name exactly the options the loop accepts.
struct OptionDescription {
    std::string shortName;  // "-i"; empty when the option has only a long form
    std::string longName;   // "--input"
    OptionValueKind kind = OptionValueKind::Flag;
    KeywordTable keywordTable = KeywordTable::None;  // the table of a Keyword option
    std::string group, key;          // the setting written; empty for job fields and run controls
    std::string alsoGroup, alsoKey;  // the switch written alongside; empty when none
    int alsoValue = 0;
    int flagValue = 1;       // what a flag stores in its setting
    std::string profileKey;  // the key naming it in a profile; empty when profiles cannot
};

// Every option in the order names are matched.
std::vector<OptionDescription> DescribeOptions();

// An option whose setting differs from a reference record: what a profile or a command line
// needs to give that setting back when read over the reference.
struct ChangedOption {
    std::string longName;    // "--fr-solid-opacity"
    std::string profileKey;  // "--wm-solid-opacity"
    std::string value;       // as the option takes it; empty for a flag
    bool flag = false;
};
// Every settings option, in table order, that reading over `defaults` needs to arrive at
// `settings`. A flag is listed only when set (it cannot be switched off); an option that also
// switches its stage on only when that stage is on, and then with every other such option.
std::vector<ChangedOption> ChangedOptions(const ConversionSettings& settings,
                                          const ConversionSettings& defaults);

// Sets every setting an option (or its switch) writes to its value in `defaults`; the
// settings no option names (the window's own) stay.
void ResetOptionSettings(ConversionSettings& settings, const ConversionSettings& defaults);

// Blanks, a sign, then decimal, "$" hex or "%" binary digits up to the first unfit
// character; 0 without digits. Values past 32 bits wrap modulo 2^32 ("$FFFFFFFF" is -1).
int32_t TextToInteger(std::string_view text);
// "+Infinity", "-Infinity", "NaN" (any case), else the longest leading decimal number with
// "." as the point whatever the locale; 0 without one; infinite beyond the float range.
float TextToDecimal(std::string_view text);

// Applies every option (and profile) in order to state.settings and state.job; stops at the
// first error. Prints nothing and runs nothing.
OptionLoopResult ParseOptions(ProcessState& state, const std::vector<std::string>& args);
// Applies group "CLI" of a profile file; false when the path is empty or unreadable. The lines
// that were ignored (unknown keys) or read as 0 (unknown keywords) go to `refused` as
// "reason: key = value". The path goes through ResolveProfilePath.
bool LoadProfile(ProcessState& state, const std::string& path,
                 std::vector<std::string>* refused = nullptr);

// `name` itself, or, for a name without '/' that names no file here, NAME.ini in the
// profiles folder when that exists.
std::string ResolveProfilePath(const std::string& name);
// `path` made absolute: "~/" against the home folder, a relative path against `base` (the
// current folder when empty).
std::string AbsolutePath(const std::string& path, const std::string& base = {});
// A profile of the settings: the options that differ from the command-line defaults, in
// table order, under a comment line naming `writer` (program and version).
std::string ProfileText(const ConversionSettings& settings, const Formats& formats,
                        std::string_view writer);
// Writes ProfileText of the state's settings, replacing the file as a whole; false on failure.
bool SaveProfile(const ProcessState& state, const std::string& path);

// What a command line for a conversion names.
struct CommandLineSetup {
    std::string program = "pictorbcmd";
    std::vector<std::string> inputs;
    std::string outputFolder;  // empty: the documents go beside their inputs
    std::string outputFormat;  // left out when it is the default
    std::string baseFolder;    // relative paths are taken against it; empty: the current folder
    ConversionSettings settings;
    const Formats* formats = nullptr;
};
// One POSIX shell line: program, "-i" for every input, "-o", then every option that differs
// from the command-line defaults; paths absolute, each word quoted where the shell needs it.
std::string CommandLineText(const CommandLineSetup& setup);
// `word` unchanged when every shell reads it as it is, else in single quotes.
std::string ShellQuote(std::string_view word);

// Sets the console title and prints the usage text with the program's name.
void PrintHelp(ProcessState& state);
// Prints state.bannerLines, one line each.
void PrintBanner(const ProcessState& state);
// Applies every option (and profile) in order. On an error prints it and returns false; when
// an input option was seen runs the conversion and returns false; otherwise returns true,
// meaning the desktop interface starts.
bool RunOptions(ProcessState& state, const std::vector<std::string>& args);
// The conversion run after the options; always 0.
int RunCommandLine(ProcessState& state, bool quiet);

}  // namespace pictorb
