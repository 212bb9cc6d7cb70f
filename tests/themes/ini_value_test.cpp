// The theme.cfg lookup keeps every quirk of the converter family's reader.

#include <gtest/gtest.h>

#include "themes/themes.h"

namespace pictorb {
namespace {

TEST(IniValue, KeepsTheQuirksOfTheLookup) {
    const std::string text =
        "[Theme]\r\nName=Sketch\r\n"
        "[Icons]\r\n"
        "NewFolder=folder\r\n"
        "New=new\r\n"
        "pair = left = right\r\n"
        "Blanks= \tv\t \r\n"
        "Tabs=\t v \t\r\n"
        "NoEquals\r\n"
        " Add=indented\r\n"
        "Open=open [x\r\n"
        "Copy=copy\r\n"
        "Last=last";
    struct Case {
        const char* what;
        const char* group;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"plain key", "Theme", "Name", "Sketch"},
        {"group and key in another case", "THEME", "name", "Sketch"},
        {"a longer key with the same beginning matches first", "Icons", "New", "folder"},
        {"value between the first and second '='", "Icons", "Pair", "left"},
        {"blanks trimmed before tabs", "Icons", "Blanks", "v"},
        {"tabs trimmed after blanks, inner blanks stay", "Icons", "Tabs", " v "},
        {"line without '='", "Icons", "NoEquals", ""},
        {"key not at a line start", "Icons", "Add", ""},
        {"a '[' in a value ends the group", "Icons", "Copy", ""},
        {"key of another group", "Theme", "Open", ""},
        {"last line without CR LF", "Icons", "Last", ""},
        {"missing group", "Buttons", "Convert", ""},
        {"missing key", "Icons", "Help", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IniValue(text, c.group, c.key), c.expected);
    }
}

TEST(IniValue, NeedsCrLfLineEnds) {
    EXPECT_EQ(IniValue("[Icons]\nNew=new\nAdd=add\n", "Icons", "Add"), "");
    EXPECT_EQ(IniValue("[Icons]New=new\r\n", "Icons", "New"), "");  // key right after "]"
    EXPECT_EQ(IniValue("[Icons]\r\nNew=a\nb\r\n", "Icons", "New"), "a\nb");
    EXPECT_EQ(IniValue("[Icons]\r\nNew=\nnew\n\r\n", "Icons", "New"), "new");
    EXPECT_EQ(IniValue("", "Icons", "New"), "");
}

}  // namespace
}  // namespace pictorb
