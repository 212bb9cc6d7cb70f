#include "themes/icon_sets.h"

namespace pictorb {
namespace {

const std::vector<std::string> kControlNames = {"Convert", "InFiles", "InFolder"};
// The menu and toolbar sets hold the same names, numbered in this order.
const std::vector<std::string> kMenuNames = {"New",
                                             "Add",
                                             "InFiles",
                                             "InFolder",
                                             "OutFolder",
                                             "OutFormat",
                                             "FavFolder",
                                             "ImportFiles",
                                             "ExportFiles",
                                             "Exit",
                                             "Copy",
                                             "Delete",
                                             "SelectAll",
                                             "Convert",
                                             "Error",
                                             "Preferences",
                                             "CustomConverter",
                                             "Help",
                                             "Email",
                                             "Web",
                                             "Updates",
                                             "About",
                                             "Preview"};

// Numbers of the menu set's names; the toolbar set's are these plus 24. "Email" follows
// "Help" with a gap of three, as the numbering of the converter family has it.
constexpr int32_t kMenuNumbers[] = {5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16,
                                    17, 18, 19, 20, 21, 22, 25, 26, 27, 28, 29};
constexpr int32_t kToolbarOffset = 24;

const IconImage kNoImage;

}  // namespace

const IconImage& IconSet::Image(std::string_view name) const {
    const auto number = numbers.find(std::string(name));
    if (number == numbers.end()) return kNoImage;
    const auto image = images.find(number->second);
    return image != images.end() ? image->second : kNoImage;
}

IconImage* IconSet::MutableImage(std::string_view name) {
    const auto number = numbers.find(std::string(name));
    return number != numbers.end() ? &images[number->second] : nullptr;
}

IconSet& IconSets::Of(IconSetKind kind) {
    return kind == IconSetKind::Control ? control : kind == IconSetKind::Menu ? menu : toolbar;
}

const IconSet& IconSets::Of(IconSetKind kind) const {
    return kind == IconSetKind::Control ? control : kind == IconSetKind::Menu ? menu : toolbar;
}

void FillIconNames(IconSets& sets) {
    sets = IconSets{};
    for (std::size_t i = 0; i < kControlNames.size(); ++i)
        sets.control.numbers[kControlNames[i]] = static_cast<int32_t>(2 + i);
    for (std::size_t i = 0; i < kMenuNames.size(); ++i) {
        sets.menu.numbers[kMenuNames[i]] = kMenuNumbers[i];
        sets.toolbar.numbers[kMenuNames[i]] = kMenuNumbers[i] + kToolbarOffset;
    }
}

const std::vector<std::string>& IconNames(IconSetKind kind) {
    return kind == IconSetKind::Control ? kControlNames : kMenuNames;
}

int32_t IconPixelSize(int32_t sizeIndex) {
    constexpr int32_t kSizes[] = {16, 24, 32, 48, 64};
    return sizeIndex >= 0 && sizeIndex < 5 ? kSizes[sizeIndex] : 16;
}

int32_t IconSizeIndex(IconSetKind kind, int32_t uiSize) {
    return kind == IconSetKind::Toolbar ? uiSize : 0;
}

}  // namespace pictorb
