#include "platform/modules.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/files.h"

namespace pictorb {
namespace {

// The built path with its folder resolved (the build folder may be reached through a
// symbolic link, while the program's folder comes resolved from /proc/self/exe).
std::string ResolvedBuiltPath(const char* builtPath) {
    if (builtPath == nullptr || *builtPath == '\0') return {};
    const std::string path(builtPath);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    char resolved[PATH_MAX];
    if (realpath(path.substr(0, slash + 1).c_str(), resolved) == nullptr) return {};
    return std::string(resolved) + path.substr(slash);
}

}  // namespace

bool MayUseBuiltModule(std::string_view programFolder, std::string_view builtPath) {
    const std::size_t slash = builtPath.rfind('/');
    if (slash == std::string_view::npos || slash == 0 || programFolder.empty()) return false;
    const std::string_view buildFolder = builtPath.substr(0, slash + 1);  // with its '/'
    return programFolder.substr(0, buildFolder.size()) == buildFolder;
}

OpenedModule OpenProgramModule(const std::string& fileName, const char* builtPath) {
    const std::string folder = ProgramFolder();
    std::vector<std::string> paths = {folder + fileName, folder + "../lib/pictorb/" + fileName};
    const std::string built = ResolvedBuiltPath(builtPath);
    if (!built.empty() && MayUseBuiltModule(folder, built)) paths.push_back(built);
    OpenedModule opened;
    for (const std::string& path : paths) {
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

void* FindModuleEntry(const std::string& fileName, const char* builtPath, const char* entryName,
                      std::string& error) {
    const OpenedModule opened = OpenProgramModule(fileName, builtPath);
    if (opened.handle == nullptr) {
        error = opened.error;
        return nullptr;
    }
    void* entry = dlsym(opened.handle, entryName);
    if (entry == nullptr) error = fileName + ": " + entryName + " missing";
    return entry;
}

}  // namespace pictorb
