// The engine module's side of start-up: the image libraries and the command-line front end.

#include <IL/il.h>
#include <IL/ilu.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/branding.h"
#include "app/startup.h"
#include "cli/cli.h"
#include "formats/formats.h"
#include "pipeline/job.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace pictorb {
namespace {

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

int RunEngineModes(int argc, char** argv) {
    ilInit();
    iluInit();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    RunFrontEnd(args, argc > 0 && argv[0] != nullptr ? argv[0] : "");
    ilShutDown();
    return 0;
}

}  // namespace pictorb
