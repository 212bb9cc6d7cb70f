#include "app/startup.h"

#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/branding.h"
#include "platform/console.h"
#include "platform/modules.h"
#include "text/utf8.h"

namespace pictorb {
namespace {

constexpr const char* kEngineModule = "pictorb-engine.so";
constexpr const char* kEngineEntry = "PictorbEngineMain";

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

// Pictures pass through several full-size copies, and fresh pages from the system are the
// dearest part of a large conversion: freed memory is kept for the next copy instead. One
// arena lets the worker thread's copies reuse the same heap; no mmap keeps large blocks in it.
void KeepFreedMemory() {
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT32_MAX);
}

// The conversion machinery with its image libraries (some thirty shared objects; the drawing
// ones follow only when something is drawn) is a module loaded only for the modes that use it,
// so that printing the version starts in a fraction of the time. It sits next to the
// program; a program copied out of the build folder uses the module built with it.
int RunEngine(int argc, char** argv) {
    std::string error;
    using Entry = int (*)(int, char**);
    const auto entry = reinterpret_cast<Entry>(
        FindModuleEntry(kEngineModule, PICTORB_BUILT_ENGINE, kEngineEntry, error));
    if (entry == nullptr) {
        // A broken installation, not one of the program's own outcomes: said plainly.
        std::fprintf(stderr, "pictorbcmd: %s\n", error.c_str());
        return 1;
    }
    return entry(argc, argv);
}

}  // namespace

// The option loop's rule, repeated here so that Version mode is answered without loading
// the image and drawing libraries: trimmed, upper-cased, a "--" name only before "=".
bool IsVersionOption(std::string_view parameter) {
    std::string name = Trim(parameter);
    if (name.rfind('-', 0) != 0) return false;
    if (name.rfind("--", 0) == 0) name.resize(std::min(name.size(), name.find('=')));
    name = Utf8Upper(name);
    return name == "-V" || name == "--VERSION";
}

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
    KeepFreedMemory();
    InstallSignalHandlers();

    // Command-line modes run side by side; the engine guards the desktop's modes.
    if (argc >= 2 && IsVersionOption(argv[1])) {
        ConsoleSetTitle(TitleText(kDisplayName, kVersionNumber));
        ConsolePrintLine(VersionText(kVersionNumber));
        return 0;
    }
    return RunEngine(argc, argv);
}

}  // namespace pictorb
