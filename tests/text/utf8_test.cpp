#include "text/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace pictorb {
namespace {

TEST(Utf8, CaseMapsNonAsciiLetters) {
    struct Case {
        std::string text, upper, lower;
    };
    const Case cases[] = {
        {"é", "É", "é"},
        {"É", "É", "é"},
        {"Café Über", "CAFÉ ÜBER", "café über"},
        {"ωΣ", "ΩΣ", "ωσ"},
        {"ÿ", "Ÿ", "ÿ"},                 // the upper case leaves the Latin-1 range
        {"straße", "STRAßE", "straße"},  // simple mapping: no length change
        {"a1-_%", "A1-_%", "a1-_%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Utf8Upper(c.text), c.upper);
        EXPECT_EQ(Utf8Lower(c.text), c.lower);
    }
    EXPECT_EQ(Utf8TitleCase("éCOLE nORMALE"), "École normale");
    EXPECT_EQ(Utf8TitleCase(""), "");
}

TEST(Utf8, CaseMappingKeepsMalformedBytes) {
    const std::string text = "a\xE9z\xC3";  // a lone Latin-1 byte and a cut-off sequence
    EXPECT_EQ(Utf8Upper(text), "A\xE9Z\xC3");
    EXPECT_EQ(Utf8Lower("A\xFF"
                        "B"),
              "a\xFF"
              "b");
}

TEST(Utf8, LengthAndPrefixCountCodePoints) {
    const std::string text = "aé€😀b";  // 1 + 2 + 3 + 4 + 1 bytes
    ASSERT_EQ(text.size(), 11u);
    EXPECT_EQ(Utf8Length(text), 5u);
    const std::string prefixes[] = {"", "a", "aé", "aé€", "aé€😀", "aé€😀b", "aé€😀b"};
    for (std::size_t n = 0; n < std::size(prefixes); ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Utf8Prefix(text, n), prefixes[n]);
    }
    EXPECT_EQ(Utf8Length(""), 0u);
    // A malformed byte counts as one character and is never split from its neighbours.
    EXPECT_EQ(Utf8Length("x\xFFy"), 3u);
    EXPECT_EQ(Utf8Prefix("\xE2\x82"
                         "z",
                         1),
              "\xE2");
}

TEST(Utf8, Latin1BytesBecomeTheSameCodePoints) {
    EXPECT_EQ(Latin1ToUtf8("caf\xE9"), "café");
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::u16string units = Utf8ToUtf16(Latin1ToUtf8(all));
    ASSERT_EQ(units.size(), 256u);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(units[b], static_cast<char16_t>(b)) << b;
}

TEST(Utf8, ToUtf16HandlesSupplementaryAndInvalidInput) {
    struct Case {
        const char* name;
        std::string text;
        std::u16string expected;
    };
    const Case cases[] = {
        {"ascii and bmp", "A€", u"A\u20AC"},
        {"supplementary", "😀", u"\xD83D\xDE00"},
        {"lone byte",
         "a\xFF"
         "b",
         u"a\xFFFD"
         "b"},
        {"truncated", "\xE2\x82", u"\xFFFD\xFFFD"},
        {"overlong slash", "\xC0\xAF", u"\xFFFD\xFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToUtf16(c.text), c.expected);
    }
}

TEST(Utf8, AsciiCaseHelpersLeaveOtherBytesAlone) {
    EXPECT_EQ(AsciiUpper("Image gamma é"), "IMAGE GAMMA é");
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Do Image Rotation", "do IMAGE rotation"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("é", "É"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("Format", "Formats"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("[", "{"));  // 0x5B and 0x7B differ by the case bit only
}

TEST(Utf8, ReplaceAndCountIgnoreCase) {
    EXPECT_EQ(ReplaceIgnoreCase("%S1% and %s1%", "%s1%", "x"), "x and x");
    EXPECT_EQ(ReplaceIgnoreCase("été", "É", "e"), "ete");
    // The value is not searched again, so a value holding the token does not loop.
    EXPECT_EQ(ReplaceIgnoreCase("%ext%", "%EXT%", "a%ext%"), "a%ext%");
    EXPECT_EQ(ReplaceIgnoreCase("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceIgnoreCase("", "a", "x"), "");
    EXPECT_EQ(ReplaceIgnoreCase("%s", "%s1%", "x"), "%s");

    EXPECT_EQ(CountIgnoreCase("aAaA", "aa"), 2u);
    EXPECT_EQ(CountIgnoreCase("aaa", "aa"), 1u);  // non-overlapping
    EXPECT_EQ(CountIgnoreCase("%Filename%.%FILENAME%", "%filename%"), 2u);
    EXPECT_EQ(CountIgnoreCase("abc", ""), 0u);
}

TEST(Utf8, TrimRemovesBlanksAndTabsOnly) {
    EXPECT_EQ(Trim(" \t value with  blanks\t "), "value with  blanks");
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(Trim("\nx\r"), "\nx\r");
}

}  // namespace
}  // namespace pictorb
