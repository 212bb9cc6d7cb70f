#include <gtest/gtest.h>

#include "settings/settings.h"

namespace pictorb {
namespace {

TEST(KeywordToValue, MatchesKeywordsInAnyCase) {
    struct Case {
        const char* keyword;
        int table;
        int32_t value;
    };
    const Case cases[] = {
        {"bgra", 0, 1},
        {"BGRA", 0, 1},
        {"48HS", 1, 4},
        {"48", 1, 5},
        {"8", 1, 1},
        {"32", 1, 0},
        {"LZW", 4, 6},
        {"zlib9", 4, 3},
        {"SOLID", 13, 1},
        {"BoldItalic", 15, 3},
        {"STRIKETHROUGHT", 16, 2},
        {"STRIKETHROUGH", 16, 0},
        {"bottomright", 19, 8},
        {"custom", 21, 2},
        {"Auto", kPsdAlphaTable, 1},
        {"Skip", kExistingFilesTable, 1},
        {"older", kExistingFilesTable, 2},
        {"utf-8", kOutputEncodingTable, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keyword) + " in table " + std::to_string(c.table));
        EXPECT_EQ(KeywordToValue(c.keyword, c.table), c.value);
    }
}

TEST(KeywordToValue, UnknownKeywordsAndTablesGiveZero) {
    for (int table = -1; table <= kKeywordTableCount; ++table) {
        SCOPED_TRACE(table);
        EXPECT_EQ(KeywordToValue("FAST", table), 0);
        EXPECT_EQ(KeywordToValue("", table), 0);
        EXPECT_EQ(KeywordToValue(" BGRA", table), 0);  // the caller trims
    }
    EXPECT_EQ(KeywordToValue("BGRA", kKeywordTableCount), 0);
    EXPECT_EQ(KeywordToValue("BGRA", 1), 0);
}

TEST(ValueToKeyword, NamesTheFirstRowWithTheValue) {
    EXPECT_EQ(ValueToKeyword(2, 7), "");
    EXPECT_EQ(ValueToKeyword(14, 2), "IMAGE");
    EXPECT_EQ(ValueToKeyword(20, 0), "FIXED");
    EXPECT_EQ(ValueToKeyword(1, 4), "48HS");
    EXPECT_EQ(ValueToKeyword(kPsdAlphaTable, 0), "ALWAYS");
    EXPECT_EQ(ValueToKeyword(kKeywordTableCount, 0), "");
    EXPECT_EQ(ValueToKeyword(-1, 0), "");
    EXPECT_EQ(ValueToKeyword(0, -1), "");
}

TEST(ValueToKeyword, CompressionReadsTheRowsOfTheOutputFormat) {
    struct Case {
        const char* format;
        int32_t value;
        const char* keyword;
    };
    const Case cases[] = {
        {"bmp", 1, "RLE"},   {"bmp", 0, "NONE"}, {"bmp", 2, ""},           {"exr", 1, "ZIP"},
        {"png", 1, "ZLIB1"}, {"png", 6, ""},     {"tiff", 1, "CCITTFAX3"}, {"tiff", 6, "LZW"},
        {"psd", 0, "NONE"},  {"psd", 1, "RLE"},  {"psd", 2, ""},           {"jpg", 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " " + std::to_string(c.value));
        EXPECT_EQ(ValueToKeyword(4, c.value, c.format), c.keyword);
    }
}

TEST(Keywords, EveryNamedValueReadsBackAsItself) {
    const char* const compressionFormats[] = {"bmp", "tga", "exr", "png", "tiff", "psd"};
    for (int table = 0; table < kKeywordTableCount; ++table) {
        for (int32_t value = 0; value <= 9; ++value) {
            for (const char* format : compressionFormats) {
                SCOPED_TRACE(std::to_string(table) + "/" + std::to_string(value) + "/" + format);
                const std::string keyword = ValueToKeyword(table, value, format);
                if (!keyword.empty()) {
                    EXPECT_EQ(KeywordToValue(keyword, table), value);
                }
            }
        }
    }
}

}  // namespace
}  // namespace pictorb
