#include "text/texts.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "text/builtin_texts.h"

namespace pictorb {
namespace {

TEST(BuiltinTexts, EveryGroupHoldsItsEntries) {
    const std::span<const TextPair> data = BuiltinTexts();
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(data.back().first, kTextEndMarker);
    ASSERT_EQ(data.front().first, kTextGroupMarker);

    std::vector<std::pair<std::string, int>> counts;
    for (const TextPair& pair : data.first(data.size() - 1)) {
        ASSERT_NE(pair.first, kTextEndMarker);
        if (pair.first == kTextGroupMarker) {
            counts.emplace_back(pair.second, 0);
        } else {
            ++counts.back().second;
            EXPECT_FALSE(pair.second.empty()) << pair.first;
        }
    }
    const std::vector<std::pair<std::string, int>> expected = {
        {"Menu", 34},         {"General", 11}, {"Msg", 53},  {"Dialog", 20},
        {"Preferences", 223}, {"Tooltips", 8}, {"About", 7}, {"Custom-Converter", 4},
        {"Uninstall", 3},     {"Preview", 14},
    };
    EXPECT_EQ(counts, expected);
}

class TextTableTest : public testing::Test {
  protected:
    void SetUp() override { table.Load(); }
    TextTable table;
};

TEST_F(TextTableTest, EveryBuiltInTextIsFoundInAnyCase) {
    std::string group;
    int found = 0;
    for (const TextPair& pair : BuiltinTexts()) {
        if (pair.first == kTextEndMarker) break;
        if (pair.first == kTextGroupMarker) {
            group = pair.second;
            continue;
        }
        const std::string key(pair.first);
        SCOPED_TRACE(group + "/" + key);
        std::string lower = key;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(table.Text(group, key), pair.second);
        EXPECT_EQ(table.Text(group, lower), pair.second);
        ++found;
    }
    EXPECT_EQ(found, 377);
    EXPECT_EQ(table.Text("msg", "warning"), "Warning");
    EXPECT_EQ(table.Text("MSG", "FILES CONVERTED"), "Files converted: %s1% of %s2%");
    EXPECT_EQ(table.Text("custom-CONVERTER", "search"), "Search");
    EXPECT_EQ(table.Text("Msg", "Ask continue to find"),
              "No matches of %s1% found!\r\n\r\nDo you want to search from the start of the list?");
}

TEST_F(TextTableTest, MissingTextsGiveTheMarker) {
    const std::pair<const char*, const char*> missing[] = {
        {"Nope", "Warning"},               // unknown group
        {"", "Warning"},                   // no group
        {"Msg", ""},                       // empty key
        {"Msg", "Zebra"},                  // no key starts with that letter
        {"Msg", "Ask break d"},            // sorts between two stored keys
        {"Msg", "Ask break conversion!"},  // longer than a stored key
        {"Msg", "Ask"},                    // prefix of stored keys
        {"Msg", "Warnings"},               // after the last key of its letter
        {"Uninstall", "Zz"},               // past the end of the last group
        {"Menu", "Warning"},               // exists, but in another group
        {"Msg", "éclair"},                 // first code point in the Latin-1 range
        {"Msg", "Ωmega"},                  // first code point above 255
        {"Msg", " Warning"},               // no trimming
    };
    for (const auto& [group, key] : missing) {
        SCOPED_TRACE(std::string(group) + "/" + key);
        EXPECT_EQ(table.Text(group, key), kNoStringError);
    }
}

TEST_F(TextTableTest, AlternatingGroupsUseTheRightGroup) {
    // Several groups share keys; the remembered group must follow every change.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(table.Text("About", "Title"), "About...");
        EXPECT_EQ(table.Text("About", "Version"), "Version:");
        EXPECT_EQ(table.Text("Uninstall", "Title"), "Uninstall");
        EXPECT_EQ(table.Text("Nope", "Title"), kNoStringError);
        EXPECT_EQ(table.Text("Preferences", "Title"), "Preferences...");
        EXPECT_EQ(table.Text("Menu", "Help"), "Help");
        EXPECT_EQ(table.Text("Menu", "About"), "About...");
        EXPECT_EQ(table.Text("Dialog", "Help"), "Help");
    }
}

TEST(TextTable, UnloadedTableGivesTheMarker) {
    TextTable table;
    EXPECT_EQ(table.Text("Msg", "Warning"), kNoStringError);
}

TEST(TextTable, LanguageFileReplacesTexts) {
    std::string dir = (std::filesystem::temp_directory_path() / "pictorb-texts-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string file = dir + "/lang.ini";
    // No byte-order mark: ISO 8859-1, so 0xDC is "Ü".
    std::ofstream(file, std::ios::binary) << "[msg]\r\n"
                                             "WARNING = Achtung\r\n"
                                             "Warning = ignored second\r\n"
                                             "Not a built-in key = x\r\n"
                                             "Error =\r\n"
                                             "[About]\r\n"
                                             "Title = \xDC"
                                             "ber...\r\n"
                                             "[Msg]\r\n"
                                             "Progress = ignored second group\r\n"
                                             "[Unknown]\r\nTitle = x\r\n";
    TextTable table;
    table.Load(file);
    EXPECT_EQ(table.Text("Msg", "Warning"), "Achtung");
    EXPECT_EQ(table.Text("Msg", "Error"), "");  // present but empty replaces the text
    EXPECT_EQ(table.Text("Msg", "Progress"), "(%s1%/%s2%)");
    EXPECT_EQ(table.Text("Msg", "Not a built-in key"), kNoStringError);
    EXPECT_EQ(table.Text("About", "Title"), "Über...");
    EXPECT_EQ(table.Text("About", "Version"), "Version:");

    // Loading again starts from the built-in texts; an unreadable file changes nothing.
    table.Load(dir + "/missing.ini");
    EXPECT_EQ(table.Text("Msg", "Warning"), "Warning");
    table.Load(dir);
    EXPECT_EQ(table.Text("About", "Title"), "About...");
    std::filesystem::remove_all(dir);
}

TEST(ExpandPlaceholders, FillsNonEmptyArgumentsInOrder) {
    struct Case {
        const char *message, *s1, *s2, *s3, *s4, *expected;
    };
    const Case cases[] = {
        {"Files converted: %s1% of %s2%", "3", "5", "", "", "Files converted: 3 of 5"},
        {"Files converted: %s1% of %s2%", "3", "", "", "", "Files converted: 3 of %s2%"},
        {"(%S1%/%s2%)", "1", "2", "", "", "(1/2)"},
        {"%s1% %s1%", "a", "", "", "", "a a"},
        {"%s1%", "x%s2%y", "Z", "", "", "xZy"},  // s2 reaches into s1's text
        {"%s2%", "", "%s1%", "", "", "%s1%"},    // but not backwards
        {"%s4%%s3%", "", "", "c", "d", "dc"},
        {"", "a", "b", "c", "d", ""},
        {"no placeholders", "a", "b", "", "", "no placeholders"},
        {"%s1", "a", "", "", "", "%s1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(ExpandPlaceholders(c.message, c.s1, c.s2, c.s3, c.s4), c.expected);
    }
    EXPECT_EQ(ExpandPlaceholders("Unable to open the file: %s1%!", "/tmp/é.bmp"),
              "Unable to open the file: /tmp/é.bmp!");
}

}  // namespace
}  // namespace pictorb
