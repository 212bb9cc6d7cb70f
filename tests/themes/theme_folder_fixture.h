#pragma once
// A temporary theme folder and icon sets holding a known "built-in" image in every icon.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/process_runner.h"
#include "themes/theme_fixtures.h"
#include "themes/themes.h"

namespace pictorb::themetest {

inline constexpr uint32_t kBuiltIn = 0xFF102030;

class ThemeFolderTest : public ::testing::Test {
  protected:
    ThemeFolderTest() {
        FillIconNames(sets_);
        for (const IconSetKind kind : kIconSetKinds)
            for (const std::string& name : IconNames(kind))
                *sets_.Of(kind).MutableImage(name) = BuiltInImage();
    }

    static IconImage BuiltInImage() { return IconImage{1, 1, {kBuiltIn}}; }

    std::string Folder() const { return dir_.Path() + "/"; }
    void WriteArchive(const std::string& base, const std::vector<ZipEntry>& entries) const {
        WriteFile(base + ".zip", MakeZip(entries));
    }
    void WriteFile(const std::string& name, const std::string& bytes) const {
        ASSERT_TRUE(test::WriteBytes(dir_.Join(name), bytes));
    }
    // Loads `theme` into the flagged sets and returns the UI Theme value afterwards.
    std::string Load(const std::string& theme, int32_t uiSize = 0, bool controls = true,
                     bool menu = true, bool toolbar = true) {
        std::string uiTheme = theme;
        LoadTheme(Folder(), ListThemes(Folder()), uiTheme, uiSize, sets_, controls, menu, toolbar);
        return uiTheme;
    }

    const IconImage& Image(IconSetKind kind, const std::string& name) const {
        return sets_.Of(kind).Image(name);
    }
    bool IsBuiltIn(IconSetKind kind, const std::string& name) const {
        const IconImage& image = Image(kind, name);
        return image.width == 1 && image.height == 1 && image.pixels == std::vector{kBuiltIn};
    }
    // Every icon of every set still shows its built-in image.
    bool AllBuiltIn() const {
        for (const IconSetKind kind : kIconSetKinds)
            for (const std::string& name : IconNames(kind))
                if (!IsBuiltIn(kind, name)) return false;
        return true;
    }

    test::TempDir dir_;
    IconSets sets_;
};

}  // namespace pictorb::themetest
