#pragma once
// Process start-up and mode selection.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pictorb {

// The digits of `number` with "." before the second and the fourth character; a trailing
// ".0" is dropped: 220 -> "2.2", 221 -> "2.2.1".
std::string VersionText(int32_t number);
// "<displayName> <VersionText(number)>", e.g. "Corvalen Pictorb 2.2". Also names the
// single-instance guard.
std::string TitleText(std::string_view displayName, int32_t number);
// The base name of a program path without its extension: "/usr/bin/pictorbcmd" -> "pictorbcmd".
std::string ProgramNameFromPath(std::string_view path);
// The banner of a command-line run: title, notice line with "(c)" for the copyright sign,
// web address, and a line holding one blank.
std::vector<std::string> BannerLines();

// True when `parameter`, as the first one, selects Version mode ("-v", " --VERSION=1", ...).
bool IsVersionOption(std::string_view parameter);

// The whole life of the process: start-up, then the mode the parameters select. Version mode is
// answered here; the others run in the engine module, loaded on demand. Returns the exit code 0, or
// 1 when the engine module cannot be loaded.
int RunProcess(int argc, char** argv);

// The engine module's side, called by RunProcess: runs the command-line front end; the
// Desktop and Uninstall modes only while holding the single-instance guard.
// Returns the exit code 0.
int RunEngineModes(int argc, char** argv);

}  // namespace pictorb
