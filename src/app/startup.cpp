#include "app/startup.h"

#include <IL/il.h>
#include <IL/ilu.h>
#include <signal.h>
#include <unistd.h>

#include <memory>

#include "app/branding.h"
#include "cli/cli.h"
#include "formats/formats.h"
#include "pipeline/job.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace pictorb {
namespace {

// Closing the terminal ends the program quietly with the same exit code as every other
// way out. Only async-signal-safe calls are allowed here; the kernel drops the guard's lock.
void OnHangUp(int) {
    _exit(0);
}

void InstallSignalHandlers() {
    struct sigaction action = {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = OnHangUp;
    sigaction(SIGHUP, &action, nullptr);
    // A write past the file-size limit then fails with an error the writer reports, instead
    // of killing the process mid-file.
    signal(SIGXFSZ, SIG_IGN);
    // Likewise a reader of the status lines that goes away must not stop a conversion.
    signal(SIGPIPE, SIG_IGN);
}

// The command-line front end; returns when the desktop interface would start.
void RunFrontEnd(const std::vector<std::string>& args, std::string_view programPath) {
    if (args.empty()) return;
    auto state = std::make_unique<ProcessState>();
    state->formats = MakeFormats();
    InitJobContext(state->job, state->formats);
    SetDefaults(state->settings, DefaultsFor::CommandLine, state->formats);
    state->texts.Load("");
    state->programName = ProgramNameFromPath(programPath);
    state->title = TitleText(kDisplayName, kVersionNumber);
    state->bannerLines = BannerLines();

    const std::string mode = OptionName(args, 0);
    if (mode == "-U" || mode == "-T") {
        return;  // uninstall prompt and screenshot belong to the desktop interface
    }
    if (mode == "-V" || mode == "--VERSION") {
        ConsoleSetTitle(state->title);
        ConsolePrintLine(VersionText(kVersionNumber));
        return;
    }
    if (mode == "-H" || mode == "-?" || mode == "--HELP") {
        PrintHelp(*state);
        return;
    }
    if (RunOptions(*state, args)) {
        return;  // no input option and no error: the desktop interface would start here
    }
}

}  // namespace

std::string VersionText(int32_t number) {
    // Built by appending: GCC 12 warns falsely (-Wrestrict) on std::string::insert here.
    const std::string digits = std::to_string(number);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i == 1 || i == 2) text += '.';
        text += digits[i];
    }
    if (text.size() > 3 && text.back() == '0') text.resize(3);
    return text;
}

std::string TitleText(std::string_view displayName, int32_t number) {
    return std::string(displayName) + " " + VersionText(number);
}

std::string ProgramNameFromPath(std::string_view path) {
    std::string_view name = path.substr(path.rfind('/') + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(name);
}

std::vector<std::string> BannerLines() {
    std::string notice(kNoticeLine);
    const std::string_view sign = "\u00A9";
    for (std::size_t pos = notice.find(sign); pos != std::string::npos;
         pos = notice.find(sign, pos + 3)) {
        notice.replace(pos, sign.size(), "(c)");
    }
    return {TitleText(kDisplayName, kVersionNumber), notice, std::string(kWebAddress), " "};
}

int RunProcess(int argc, char** argv) {
    InstallSignalHandlers();
    ilInit();
    iluInit();

    // A second start, in any mode, ends here without a word.
    InstanceGuard guard(TitleText(kDisplayName, kVersionNumber));
    if (!guard.Held()) return 0;

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    RunFrontEnd(args, argc > 0 && argv[0] != nullptr ? argv[0] : "");
    ilShutDown();
    return 0;
}

}  // namespace pictorb
