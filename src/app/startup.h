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

// The whole life of the process: start-up, the single-instance guard, then the mode the
// parameters select. Always returns the exit code 0.
int RunProcess(int argc, char** argv);

}  // namespace pictorb
