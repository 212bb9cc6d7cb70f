// The engine module's side of start-up: the image libraries, the command-line front end and
// the hand-over to the desktop module.

#include <IL/il.h>
#include <IL/ilu.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/branding.h"
#include "app/startup.h"
#include "cli/cli.h"
#include "formats/formats.h"
#include "pipeline/job.h"
#include "platform/modules.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace pictorb {
namespace {

constexpr const char* kDesktopModule = "pictorb-desktop.so";
constexpr const char* kDesktopEntry = "PictorbDesktopMain";

// The command-line front end. Returns the desktop mode to start, or nullopt when a
// command-line mode ran.
std::optional<DesktopMode> RunFrontEnd(ProcessState& state, const std::vector<std::string>& args,
                                       std::string_view programPath) {
    state.formats = MakeFormats();
    InitJobContext(state.job, state.formats);
    SetDefaults(state.settings, DefaultsFor::CommandLine, state.formats);
    state.texts.Load("");
    state.programName = ProgramNameFromPath(programPath);
    state.title = TitleText(kDisplayName, kVersionNumber);
    state.bannerLines = BannerLines();
    if (args.empty()) return DesktopMode::Desktop;

    const std::string mode = OptionName(args, 0);
    if (mode == "-U") return DesktopMode::Uninstall;
    if (mode == "-T") return DesktopMode::Screenshot;
    if (mode == "-V" || mode == "--VERSION") {
        ConsoleSetTitle(state.title);
        ConsolePrintLine(VersionText(kVersionNumber));
        return std::nullopt;
    }
    if (mode == "-H" || mode == "-?" || mode == "--HELP") {
        PrintHelp(state);
        return std::nullopt;
    }
    // No input option and no error: the desktop interface starts.
    if (RunOptions(state, args)) return DesktopMode::Desktop;
    return std::nullopt;
}

// The desktop interface is a module of its own (Qt and its libraries), loaded only here.
void RunDesktopModule(ProcessState& state, DesktopMode mode, const std::vector<std::string>& args) {
    std::string error;
    using Entry = int (*)(ProcessState*, int32_t, const std::vector<std::string>*);
    const auto entry = reinterpret_cast<Entry>(
        FindModuleEntry(kDesktopModule, PICTORB_BUILT_DESKTOP, kDesktopEntry, error));
    if (entry == nullptr) {
        // A broken installation, said plainly; the command line still works without it.
        std::fprintf(stderr, "pictorbcmd: %s\n", error.c_str());
        return;
    }
    entry(&state, static_cast<int32_t>(mode), &args);
}

}  // namespace

int RunEngineModes(int argc, char** argv) {
    ilInit();
    iluInit();
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    auto state = std::make_unique<ProcessState>();
    const std::optional<DesktopMode> desktop =
        RunFrontEnd(*state, args, argc > 0 && argv[0] != nullptr ? argv[0] : "");
    if (desktop) RunDesktopModule(*state, *desktop, args);
    ilShutDown();
    return state->job.exitCode;
}

}  // namespace pictorb
