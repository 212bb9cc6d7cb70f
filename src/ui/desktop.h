#pragma once
// The desktop interface's public face: the modes the engine hands over to it.

#include <string>
#include <vector>

#include "app/desktop_mode.h"
#include "cli/process_state.h"

namespace pictorb {

// Runs the Desktop, Uninstall or Screenshot mode over the process records the command-line
// front end built; `args` are the program's parameters. Returns the exit code 0.
int RunDesktop(ProcessState& state, DesktopMode mode, const std::vector<std::string>& args);

}  // namespace pictorb
