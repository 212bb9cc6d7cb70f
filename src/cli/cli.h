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
    std::vector<std::string> unknownOptions;  // as given, without a value after "="
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

// Blanks, a sign, then decimal, "$" hex or "%" binary digits up to the first unfit
// character; 0 without digits. Values past 32 bits wrap modulo 2^32 ("$FFFFFFFF" is -1).
int32_t TextToInteger(std::string_view text);
// "+Infinity", "-Infinity", "NaN" (any case), else the longest leading decimal number with
// "." as the point whatever the locale; 0 without one; infinite beyond the float range.
float TextToDecimal(std::string_view text);

// Applies every option (and profile) in order to state.settings and state.job; stops at the
// first error. Prints nothing and runs nothing.
OptionLoopResult ParseOptions(ProcessState& state, const std::vector<std::string>& args);
// Applies group "CLI" of a profile file; false when the path is empty or unreadable.
bool LoadProfile(ProcessState& state, const std::string& path);

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
