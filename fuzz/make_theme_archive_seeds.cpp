// Writes a small seed corpus for the theme archive fuzzer: a complete theme, partial and
// odd ones, and the hostile cases of the tests. Usage: make_theme_archive_seeds <folder>

#include <cstdio>
#include <fstream>
#include <string>

#include "themes/theme_fixtures.h"

using namespace pictorb::themetest;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    };
    const std::string config =
        ThemeConfig("Seed", {{"Convert", "Big.PNG"}}, {{"New", "new"}, {"Add", "add.png"}});

    write("complete.zip", MakeZip(CompleteTheme("Complete", 0xFF4080C0)));
    write("small.zip", MakeZip({{"theme.cfg", config},
                                {"Big.PNG", IconPng(40, 0xFFFF0000)},
                                {"new_16.png", IconPng(16, 0xFF00FF00)},
                                {"new_24.png", IconPng(24, 0xFF00FF00)},
                                {"add.png", IconPng(16, 0x800000FF)}}));
    write("config_last.zip", MakeZip({{"new_16.png", IconPng(16, 0xFF123456)},
                                      {"../new_24.png", IconPng(24, 0xFF123456)},
                                      {"theme.cfg", config}}));
    std::string declared = MakeZip({{"theme.cfg", config}, {"new_16.png", IconPng(16, 1)}});
    SetDeclaredSize(declared, "new_16.png", 0xFFFFFFF0);
    SetDeclaredSize(declared, "theme.cfg", 0xFFFFFFF0);
    write("declared_huge.zip", declared);
    write("claims_65535.zip",
          MakeZip({{"theme.cfg", config}, {"new_16.png", PngClaiming(65535, 65535)}}));
    write("icon.png", IconPng(16, 0xFF00FFFF));
    return 0;
}
