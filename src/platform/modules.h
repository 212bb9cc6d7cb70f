#pragma once
// Finding and opening the program's own modules (engine, drawing, desktop).

#include <string>
#include <string_view>

namespace pictorb {

struct OpenedModule {
    void* handle = nullptr;  // from dlopen; never closed (modules live as long as the process)
    std::string error;       // why nothing could be opened, when handle is null
};

// Opens `fileName` from the program's folder, else from ../lib/pictorb/ beside it (the
// installed layout), else from `builtPath` (the module in the build folder) when the program
// itself runs from that build folder or a folder below it (the tests). An installed or copied
// program never reaches into a build folder.
OpenedModule OpenProgramModule(const std::string& fileName, const char* builtPath);

// The address of `entryName` in that module; nullptr, with `error` saying why (the module
// cannot be opened, or lacks the entry), for a broken installation.
void* FindModuleEntry(const std::string& fileName, const char* builtPath, const char* entryName,
                      std::string& error);

// Whether a program in `programFolder` (ending in '/') may load the built module at
// `builtPath`: true when the program's folder is the module's folder or lies below it.
// Both paths are compared as given; pass resolved paths.
bool MayUseBuiltModule(std::string_view programFolder, std::string_view builtPath);

}  // namespace pictorb
