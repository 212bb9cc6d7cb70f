#pragma once
// The update check's logic: the request, the answer's body and the schedule. The socket
// work is the platform layer's; the messages are the desktop's.

#include <string>
#include <string_view>

namespace pictorb {

// The version data file's address on the maker's server.
std::string UpdateDataUrl();

}  // namespace pictorb
