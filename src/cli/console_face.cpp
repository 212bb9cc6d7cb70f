// What the command line shows around a run: help, banner, error lines and the pause.

#include <random>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "platform/platform.h"
#include "text/text.h"

namespace pictorb {
namespace {

constexpr std::string_view kHelpLines[] = {
    " ",
    "Usage: %s1% -i <filename> [options]",
    " ",
    "  %s1% -i example.%s2%",
    "  %s1% -i /tmp/example.%s2%",
    "  %s1% -i /tmp/example.%s2% -o /tmp/converted",
    "  %s1% -i /tmp/example.%s2% -o /tmp/converted --jpg-quality=95",
    " ",
    "Options:",
    " ",
    "  -h, -?, --help            Display this help and exit",
    "  -i FILE, --input=FILE     Set input file",
    "  -o PATH, --output=PATH    Set output folder",
    "  -c STR, --conversion=STR  Set output extension, STR = (jpg | bmp | ...)",
    " ",
    "Batch options:",
    " ",
    "  -i FOLDER                 Convert every bitmap in FOLDER (-i may repeat)",
    "  --recursive               Convert the bitmaps of subfolders too",
    "  --no-subfolders           Write every document into the output folder itself",
    "  --jobs=NUM                Files converted at once, 0 = one per CPU",
    "  --files-from=FILE         Read inputs from FILE, one per line (- = stdin)",
    "  --null                    Inputs in --files-from end with NUL (find -print0)",
    "  --existing=STR            Existing documents, STR = (replace | skip | older)",
    "  --exit-code               Exit status 1 when a file failed, 2 on bad options",
    "  --output-encoding=STR     Redirected output, STR = (utf-16le | utf-8)",
    "  --                        Every parameter after it is an input",
    " ",
    "Advanced options:",
    " ",
    "  --width=NUM               Set output image width",
    "  --height=NUM              Set output image height",
    "  --filename-mask=STR       Define output filename format",
    "  --flip-horizontal         Flip output image horizontally",
    "  --flip-vertical           Flip output image vertically",
    "  --brightness=NUM          Set output image brightness, NUM = -100..100",
    "  --contrast=NUM            Set output image contrast, NUM = -100..100",
    "  --gamma=NUM               Set output image gamma, NUM = 0.01..9.99",
    "  --invert                  Invert output image",
    "  --greyscale               Greyscale output image",
    "  --profile=FILE            Set configuration file with required settings",
    "  --save-profile=FILE       Save the settings of this run as a profile",
    "    ...                     Refer documentation for all available options",
    " ",
    "Other options:",
    " ",
    "  -q, --quiet               Don't print status messages to stdout",
    "  -d, --debug               Print debug information to stdout",
    "  -p, --pause               Pause at exit",
    "  -v, --version             Display version information and exit",
};

std::string RandomEntry(const std::vector<std::string>& list, std::mt19937& random) {
    if (list.empty()) return {};
    std::uniform_int_distribution<std::size_t> pick(0, list.size() - 1);
    return list[pick(random)];
}

}  // namespace

void PrintHelp(ProcessState& state) {
    ConsoleSetTitle(state.title);
    std::mt19937 random{std::random_device{}()};
    for (std::string_view line : kHelpLines) {
        // Each example line picks its own input format.
        ConsolePrintLine(ExpandPlaceholders(line, state.programName,
                                            RandomEntry(state.formats.inputList, random)));
    }
}

void PrintBanner(const ProcessState& state) {
    for (const std::string& line : state.bannerLines) ConsolePrintLine(line);
}

bool RunOptions(ProcessState& state, const std::vector<std::string>& args) {
    const OptionLoopResult result = ParseOptions(state, args);
    ConsoleRedirectAsUtf8(state.job.outputEncoding == kOutputEncodingUtf8);
    for (const std::string& name : result.unknownOptions)
        ConsoleDiagnostic("unknown option " + name + " ignored");
    // Profile lines that were ignored or read as 0 are said; the rest of the profile holds.
    for (const std::string& line : result.refusedProfileLines) ConsolePrintLine("Error: " + line);
    const bool exitCode = state.job.reportExitCode;
    const bool saveProfile = !result.saveProfilePath.empty();
    // With --exit-code a script is running: a mistyped option or a start without any input
    // is its mistake, said with code 2 before anything is converted or a window is tried.
    // Saving a profile is a job of its own that needs no input.
    std::string error = result.error;
    if (error.empty() && exitCode && !state.job.commandLineMode && !saveProfile)
        error = "No input given (-i, --files-from or --)";
    if (!error.empty() || (exitCode && !result.unknownOptions.empty())) {
        ConsoleSetTitle(state.title);
        if (!error.empty()) ConsolePrintLine("Error: " + error);
        if (exitCode) state.job.exitCode = 2;
        if (result.pause) ConsoleWaitForKey();
        return false;
    }
    if (saveProfile) {
        if (!SaveProfile(state, result.saveProfilePath)) {
            ConsoleSetTitle(state.title);
            ConsolePrintLine("Error: Cannot write profile file");
            ConsoleDiagnostic("profile file: " + result.saveProfilePath);
            if (exitCode) state.job.exitCode = 2;
            return false;
        }
        if (!state.job.commandLineMode) return false;  // written; nothing to convert
    }
    if (!state.job.commandLineMode) return true;
    ConsoleSetTitle(state.title);
    if (!result.quiet) PrintBanner(state);
    RunCommandLine(state, result.quiet);
    if (result.pause) {
        ConsolePrintLine("Press any key to exit.");
        ConsoleWaitForKey();
    }
    return false;
}

}  // namespace pictorb
