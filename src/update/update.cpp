#include "update/update.h"

#include "app/branding.h"

namespace pictorb {

std::string UpdateDataUrl() {
    return "http://" + std::string(kUpdateHost) + "/files/pictorb.dat";
}

}  // namespace pictorb
