// The engine module's side of start-up: the image libraries, the command-line front end and
// the hand-over to the desktop module.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/branding.h"
#include "app/desktop_mode.h"
#include "app/startup.h"
#include "cli/cli.h"
#include "formats/formats.h"
#include "pipeline/job.h"
#include "platform/files.h"
#include "platform/hand_over.h"
#include "platform/instance_guard.h"
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

// The parameters as the running window can read them from its own folder: plain relative
// paths are made absolute against this start's folder.
std::vector<std::string> WithAbsolutePaths(const std::vector<std::string>& args) {
    const std::string folder = CurrentFolder();
    std::vector<std::string> absolute;
    for (const std::string& arg : args) {
        const bool plainRelative = !arg.empty() && arg[0] != '-' && arg[0] != '/';
        absolute.push_back(plainRelative ? folder + arg : arg);
    }
    return absolute;
}

// The line a second desktop start says on standard error: what the open window answered.
std::string HandOverLine(const HandOverReceipt& receipt) {
    using Outcome = HandOverReceipt::Outcome;
    switch (receipt.outcome) {
        case Outcome::Taken:
            return "already running; handed over to the open window";
        case Outcome::Queued:
            return "already running; the open window has a dialog open and takes the file when "
                   "it is closed";
        case Outcome::Refused:
            return "already running; the open window cannot use " + receipt.detail;
        case Outcome::NoAnswer:
            return "already running, but the open window did not answer; nothing was handed over";
        case Outcome::NotRunning:
            break;
    }
    return {};
}

// The desktop's settings file has one writer: the Desktop and Uninstall modes run only while
// they hold the instance guard. A second desktop start hands its parameters to the window
// that holds it and says in one line on standard error what became of them; any refusal is
// said so as well. The exit code stays 0.
void RunGuardedDesktopModule(ProcessState& state, DesktopMode mode,
                             const std::vector<std::string>& args) {
    if (mode == DesktopMode::Screenshot) return RunDesktopModule(state, mode, args);
    const InstanceGuard guard(state.title);
    if (guard.Held()) return RunDesktopModule(state, mode, args);
    if (mode == DesktopMode::Desktop) {
        const HandOverReceipt receipt = HandOver(state.title, WithAbsolutePaths(args));
        if (receipt.outcome != HandOverReceipt::Outcome::NotRunning) {
            std::fprintf(stderr, "pictorbcmd: %s\n", HandOverLine(receipt).c_str());
            return;
        }
    }
    std::fprintf(stderr, "pictorbcmd: another instance is running in this session (%s)\n",
                 InstanceLockPath(state.title).c_str());
}

}  // namespace

int RunEngineModes(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    auto state = std::make_unique<ProcessState>();
    const std::optional<DesktopMode> desktop =
        RunFrontEnd(*state, args, argc > 0 && argv[0] != nullptr ? argv[0] : "");
    if (desktop) RunGuardedDesktopModule(*state, *desktop, args);
    return state->job.exitCode;
}

}  // namespace pictorb
