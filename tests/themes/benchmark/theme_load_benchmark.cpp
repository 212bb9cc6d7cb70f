// Times the theme step of the desktop start: ListThemes, then LoadTheme into all three sets.
// Usage: theme_load_benchmark [folder [theme [runs]]]
// Without a folder it measures a complete theme made in a temporary folder.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "themes/theme_fixtures.h"
#include "themes/themes.h"

using namespace pictorb;

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : "";
    const std::string theme = argc > 2 ? argv[2] : "handdrawn";
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 51;
    std::filesystem::path made;
    if (folder.empty()) {
        made = std::filesystem::temp_directory_path() / "pictorb-theme-bench";
        std::filesystem::create_directories(made);
        std::ofstream(made / (theme + ".zip"), std::ios::binary)
            << themetest::MakeZip(themetest::CompleteTheme("Bench", 0xFF336699));
        folder = made.string() + "/";
    }

    std::vector<double> listMs, loadMs;
    std::size_t replaced = 0;
    for (int run = 0; run < runs; ++run) {
        IconSets sets;
        FillIconNames(sets);
        std::string uiTheme = theme;
        const auto start = std::chrono::steady_clock::now();
        const ThemeList themes = ListThemes(folder);
        const auto listed = std::chrono::steady_clock::now();
        LoadTheme(folder, themes, uiTheme, 1, sets, true, true, true);
        const auto loaded = std::chrono::steady_clock::now();
        listMs.push_back(std::chrono::duration<double, std::milli>(listed - start).count());
        loadMs.push_back(std::chrono::duration<double, std::milli>(loaded - listed).count());
        replaced = 0;
        for (const IconSetKind kind : kIconSetKinds)
            for (const auto& [number, image] : sets.Of(kind).images) replaced += !image.Empty();
    }
    if (!made.empty()) std::filesystem::remove_all(made);

    auto report = [&](const char* what, std::vector<double> ms) {
        std::sort(ms.begin(), ms.end());
        std::printf("%-34s median %.2f ms [%.2f - %.2f] over %d runs\n", what, ms[ms.size() / 2],
                    ms.front(), ms.back(), runs);
    };
    std::printf("theme folder %s, theme %s: %zu icons replaced\n", folder.c_str(), theme.c_str(),
                replaced);
    report("ListThemes", listMs);
    report("LoadTheme (all three sets, Medium)", loadMs);
    return replaced > 0 ? 0 : 1;
}
