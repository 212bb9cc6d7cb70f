// The entry of the desktop module, which the engine loads for the Desktop, Uninstall and
// Screenshot modes only.
#include "ui/desktop.h"

extern "C" __attribute__((visibility("default"))) int PictorbDesktopMain(
    pictorb::ProcessState* state, int32_t mode, const std::vector<std::string>* args) {
    return pictorb::RunDesktop(*state, static_cast<pictorb::DesktopMode>(mode), *args);
}
