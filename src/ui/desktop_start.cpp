#include "ui/desktop.h"

namespace pictorb {

int RunDesktop(ProcessState&, DesktopMode, const std::vector<std::string>&) {
    return 0;
}

}  // namespace pictorb
