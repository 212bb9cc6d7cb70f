#include "text/ini.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

namespace pictorb {
namespace {

// The value of group/key, or which of the two is missing.
std::string Lookup(const IniDocument& document, std::string_view group, std::string_view key) {
    const IniGroup* g = document.Group(group);
    if (g == nullptr) return "<no group>";
    const std::string* value = g->Find(key);
    return value == nullptr ? "<no key>" : *value;
}

TEST(IniSyntax, EncodingFollowsTheByteOrderMark) {
    // Without a BOM every byte is one ISO 8859-1 character, even bytes that look like UTF-8.
    const IniDocument latin1 = IniDocument::Parse("[Watermark]\r\nText = caf\xE9 \xC3\xA9");
    EXPECT_EQ(Lookup(latin1, "Watermark", "Text"), "café Ã©");

    const IniDocument utf8 = IniDocument::Parse("\xEF\xBB\xBF[Watermark]\r\nText = caf\xC3\xA9");
    EXPECT_EQ(Lookup(utf8, "Watermark", "Text"), "café");

    // Only a BOM at the very start counts; the BOM bytes are not part of the first line.
    const IniDocument bomFirstGroup = IniDocument::Parse("\xEF\xBB\xBF[G]\nk=v");
    EXPECT_EQ(Lookup(bomFirstGroup, "G", "k"), "v");
}

TEST(IniSyntax, LinesEndAtCrLfOrCrLf) {
    const char* const variants[] = {"\r\n", "\n", "\r", "\n\r", "\r\n\r\n"};
    for (const char* end : variants) {
        SCOPED_TRACE(testing::PrintToString(std::string(end)));
        const std::string e = end;
        const IniDocument d =
            IniDocument::Parse("[A]" + e + "x=1" + e + "y=2" + e + "[B]" + e + "z=3");
        EXPECT_EQ(Lookup(d, "A", "x"), "1");
        EXPECT_EQ(Lookup(d, "A", "y"), "2");
        EXPECT_EQ(Lookup(d, "B", "z"), "3");
        EXPECT_EQ(Lookup(d, "A", "z"), "<no key>");
    }
    // Mixed line ends in one file.
    const IniDocument mixed = IniDocument::Parse("[A]\rx=1\r\ny=2\nz=3\r");
    EXPECT_EQ(Lookup(mixed, "A", "x"), "1");
    EXPECT_EQ(Lookup(mixed, "A", "y"), "2");
    EXPECT_EQ(Lookup(mixed, "A", "z"), "3");
}

TEST(IniSyntax, CommentsBlanksAndMalformedLines) {
    const IniDocument d = IniDocument::Parse(
        "; leading comment\r\n"
        "\r\n"
        "  \t[General]  \r\n"
        "\t  ; Language = ignored\r\n"
        ";Update Range = 3\r\n"
        "a line without an equals sign\r\n"
        "   Language \t =  \t English (UK) \t \r\n"
        "Formula = a=b=c\r\n"
        "Empty =\r\n"
        "= no key\r\n");
    EXPECT_EQ(Lookup(d, "General", "Language"), "English (UK)");
    EXPECT_EQ(Lookup(d, "General", "Update Range"), "<no key>");
    EXPECT_EQ(Lookup(d, "General", "Formula"), "a=b=c");
    EXPECT_EQ(Lookup(d, "General", "Empty"), "");
    EXPECT_EQ(Lookup(d, "General", ""), "no key");
    EXPECT_EQ(Lookup(d, "General", "a line without an equals sign"), "<no key>");
}

TEST(IniSyntax, GroupNames) {
    const IniDocument d = IniDocument::Parse(
        "[Open\r\nk=1\r\n"         // no closing bracket: the name runs to the end of the line
        "[Closed]junk\r\nk=2\r\n"  // text after "]" is not part of the name
        "[ Spaced ]\r\nk=3\r\n");
    EXPECT_EQ(Lookup(d, "Open", "k"), "1");
    EXPECT_EQ(Lookup(d, "Closed", "k"), "2");
    EXPECT_EQ(Lookup(d, " Spaced ", "k"), "3");
    EXPECT_EQ(Lookup(d, "Spaced", "k"), "<no group>");
}

TEST(IniSyntax, AnyCaseAndFirstOccurrenceWins) {
    const IniDocument d = IniDocument::Parse(
        "[general]\r\nlanguage = first\r\nLANGUAGE = second\r\n"
        "[Output]\r\nFormat = 7\r\n"
        "[GENERAL]\r\nLanguage = other group\r\nOnly Here = 1\r\n"
        "[output]\r\nFormat = 9\r\n");
    for (const char* group : {"General", "general", "GENERAL", "gEnErAl"}) {
        SCOPED_TRACE(group);
        EXPECT_EQ(Lookup(d, group, "Language"), "first");
        EXPECT_EQ(Lookup(d, group, "lAnGuAgE"), "first");
        // The second group of the same name is ignored entirely.
        EXPECT_EQ(Lookup(d, group, "Only Here"), "<no key>");
    }
    EXPECT_EQ(Lookup(d, "OUTPUT", "format"), "7");
    // Entries keep every line in file order, duplicates included.
    ASSERT_EQ(d.Group("General")->entries.size(), 2u);
    EXPECT_EQ(d.Group("General")->entries[1].second, "second");
}

TEST(IniSyntax, KeysBeforeTheFirstGroupAreNeverFound) {
    const IniDocument d =
        IniDocument::Parse("CFG = 17\r\n[]\r\nx = 1\r\n[General]\r\nLanguage = en\r\n");
    EXPECT_EQ(Lookup(d, "", "CFG"), "<no key>");
    EXPECT_EQ(Lookup(d, "", "x"), "1");
    EXPECT_EQ(Lookup(d, "General", "CFG"), "<no key>");
    EXPECT_EQ(Lookup(IniDocument::Parse(""), "General", "x"), "<no group>");
    EXPECT_EQ(Lookup(IniDocument::Parse("\xEF\xBB\xBF"), "General", "x"), "<no group>");
}

TEST(IniSyntax, NulAndHighBytesDoNotEndTheText) {
    constexpr char kBytes[] = "[G]\r\na=x\0y\r\nb=\xFF";
    const IniDocument d = IniDocument::Parse(std::string_view(kBytes, sizeof kBytes - 1));
    EXPECT_EQ(Lookup(d, "G", "a"), std::string("x\0y", 3));
    EXPECT_EQ(Lookup(d, "G", "b"), "ÿ");
}

TEST(IniWriter, WritesTheExactBytes) {
    IniWriter writer;
    writer.BeginGroup("General");
    writer.Key("CFG", "17");
    writer.Key("Language", "Français");
    writer.EndGroup();
    writer.BeginGroup("Window");
    writer.EndGroup();
    EXPECT_EQ(writer.Bytes(),
              "\xEF\xBB\xBF\r\n"
              "[General]\r\n"
              "CFG = 17\r\n"
              "Language = Français\r\n"
              "; \r\n"
              "[Window]\r\n"
              "; \r\n");
    EXPECT_EQ(IniWriter().Bytes(), "\xEF\xBB\xBF\r\n");

    const IniDocument back = IniDocument::Parse(writer.Bytes());
    EXPECT_EQ(Lookup(back, "General", "Language"), "Français");
    EXPECT_EQ(Lookup(back, "General", "CFG"), "17");
    ASSERT_NE(back.Group("Window"), nullptr);
    EXPECT_TRUE(back.Group("Window")->entries.empty());
}

TEST(IniToInt, ReadsLikeAtoiWithoutOverflow) {
    struct Case {
        const char* text;
        int32_t expected;
    };
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const Case cases[] = {
        {"42", 42},
        {"-17", -17},
        {"+5", 5},
        {"  \t12", 12},
        {"007", 7},
        {"12abc", 12},
        {"1.9", 1},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+-3", 0},
        {"- 3", 0},
        {"2147483647", kMax},
        {"-2147483648", kMin},
        {"2147483648", kMax},
        {"-2147483649", kMin},
        {"99999999999999999999999999", kMax},
        {"-99999999999999999999999999", kMin},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IniToInt(c.text), c.expected);
    }
    EXPECT_EQ(IniToInt(std::string_view("123456", 2)), 12);  // stops at the view's end
}

TEST(IniToFloat, ReadsLikeAtofPlusInfinityAndNaN) {
    struct Case {
        const char* text;
        float expected;
    };
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {"1.000000", 1.0f},   {"-2.25e1", -22.5f}, {"  0.5", 0.5f},      {"3.5xyz", 3.5f},
        {".25", 0.25f},       {"abc", 0.0f},       {"", 0.0f},           {"+Infinity", kInf},
        {"-Infinity", -kInf}, {"+INFINITY", kInf}, {"-infinity", -kInf}, {"1e60", kInf},
        {"1e-60", 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IniToFloat(c.text), c.expected);
    }
    for (const char* nan : {"NaN", "nan", "NAN", "-NaN"}) {
        SCOPED_TRACE(nan);
        EXPECT_TRUE(std::isnan(IniToFloat(nan)));
    }
    EXPECT_EQ(IniToFloat(std::string_view("2.5e3", 3)), 2.5f);
}

class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "pictorb-ini-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

TEST(IniDocumentLoad, OpensFilesOnly) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string file = (dir.Path() / "profile.ini").string();
    std::ofstream(file, std::ios::binary) << "[CLI]\nquiet = 1\n";

    const std::optional<IniDocument> loaded = IniDocument::Load(file);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(Lookup(*loaded, "cli", "QUIET"), "1");

    EXPECT_FALSE(IniDocument::Load("").has_value());
    EXPECT_FALSE(IniDocument::Load((dir.Path() / "missing.ini").string()).has_value());
    EXPECT_FALSE(IniDocument::Load(dir.Path().string()).has_value());

    const std::string empty = (dir.Path() / "empty.ini").string();
    std::ofstream(empty, std::ios::binary).flush();
    EXPECT_TRUE(IniDocument::Load(empty).has_value());
}

}  // namespace
}  // namespace pictorb
