// Writes the man page, the bash completion and the HTML manual from the docs folder and the
// program's own tables. Run by the build:
//   pictorb_docgen DOCS_FOLDER MAN_PAGE COMPLETION MANUAL_HTML

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "docgen/reference.h"

namespace {

// Written beside the target and renamed over it, so that an interrupted build leaves no half
// file that looks up to date.
bool WriteFile(const std::string& path, const std::string& text) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!(out << text) || !out.flush()) return false;
    }
    fs::rename(temporary, path, error);
    return !error;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s DOCS_FOLDER MAN_PAGE COMPLETION MANUAL_HTML\n", argv[0]);
        return 2;
    }
    const pictorb::docgen::Outputs outputs = pictorb::docgen::GenerateAll(argv[1]);
    if (!outputs.error.empty()) {
        std::fprintf(stderr, "pictorb_docgen: %s\n", outputs.error.c_str());
        return 1;
    }
    for (const auto& [path, text] :
         {std::pair{argv[2], &outputs.manPage}, std::pair{argv[3], &outputs.completion},
          std::pair{argv[4], &outputs.manual}}) {
        if (!WriteFile(path, *text)) {
            std::fprintf(stderr, "pictorb_docgen: cannot write %s\n", path);
            return 1;
        }
    }
    return 0;
}
