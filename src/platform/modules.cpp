#include "platform/modules.h"

#include <dlfcn.h>

#include "platform/files.h"

namespace pictorb {

OpenedModule OpenProgramModule(const std::string& fileName, const char* builtPath) {
    const std::string folder = ProgramFolder();
    OpenedModule opened;
    for (const std::string& path : {folder + fileName, folder + "../lib/pictorb/" + fileName,
                                    std::string(builtPath != nullptr ? builtPath : "")}) {
        if (path.empty()) continue;
        opened.handle = dlopen(path.c_str(), RTLD_LAZY);
        if (opened.handle != nullptr) return opened;
        // The first failure names the expected place; later ones only say "not found".
        if (opened.error.empty()) {
            const char* error = dlerror();
            opened.error = error != nullptr ? error : fileName + ": cannot be opened";
        }
    }
    return opened;
}

}  // namespace pictorb
