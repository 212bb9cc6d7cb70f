#pragma once
// Reading one parameter of the command line, for the option loop and for whoever else looks
// at the program's parameters (the desktop's "Open With").

#include <cstddef>
#include <string>
#include <vector>

namespace pictorb {

// Parameter `index` trimmed and upper-cased: "--NAME" before the first "=", or the whole
// parameter with one leading "-"; empty when it does not start with "-" or is past the end.
std::string OptionName(const std::vector<std::string>& args, std::size_t index);
// Parameter `index` trimmed; for "--name=value" the text after the first "=".
std::string OptionValue(const std::vector<std::string>& args, std::size_t index);

}  // namespace pictorb
