#pragma once
// Finding and opening the program's own modules (engine, drawing, desktop).

#include <string>

namespace pictorb {

struct OpenedModule {
    void* handle = nullptr;  // from dlopen; never closed (modules live as long as the process)
    std::string error;       // why nothing could be opened, when handle is null
};

// Opens `fileName` from the program's folder, else from ../lib/pictorb/ beside it (the
// installed layout), else from `builtPath` (the build folder, for a program copied out of it).
OpenedModule OpenProgramModule(const std::string& fileName, const char* builtPath);

}  // namespace pictorb
