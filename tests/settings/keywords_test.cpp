#include <gtest/gtest.h>

#include "settings/settings.h"

namespace pictorb {
namespace {

using K = KeywordTable;

TEST(KeywordToValue, MatchesKeywordsInAnyCase) {
    struct Case {
        const char* keyword;
        KeywordTable table;
        int32_t value;
    };
    const Case cases[] = {
        {"bgra", K::DdsLoadAs, 1},
        {"BGRA", K::DdsLoadAs, 1},
        {"48HS", K::RawLoadAs, 4},
        {"48", K::RawLoadAs, 5},
        {"8", K::RawLoadAs, 1},
        {"32", K::RawLoadAs, 0},
        {"LZW", K::Compression, 6},
        {"zlib9", K::Compression, 3},
        {"SOLID", K::Frame, 1},
        {"BoldItalic", K::FontStyle, 3},
        {"STRIKETHROUGHT", K::FontEffect, 2},
        {"STRIKETHROUGH", K::FontEffect, 0},
        {"bottomright", K::Position, 8},
        {"custom", K::Timestamp, 2},
        {"Auto", K::PsdAlpha, 1},
        {"Skip", K::ExistingFiles, 1},
        {"older", K::ExistingFiles, 2},
        {"utf-8", K::OutputEncoding, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keyword) + " in table " +
                     std::to_string(static_cast<int>(c.table)));
        EXPECT_EQ(KeywordToValue(c.keyword, c.table), c.value);
    }
}

TEST(KeywordToValue, UnknownKeywordsAndTablesGiveZero) {
    for (int id = -1; id <= kKeywordTableCount; ++id) {
        SCOPED_TRACE(id);
        const auto table = static_cast<KeywordTable>(id);
        EXPECT_EQ(KeywordToValue("FAST", table), 0);
        EXPECT_EQ(KeywordToValue("", table), 0);
        EXPECT_EQ(KeywordToValue(" BGRA", table), 0);  // the caller trims
    }
    EXPECT_EQ(KeywordToValue("BGRA", static_cast<KeywordTable>(kKeywordTableCount)), 0);
    EXPECT_EQ(KeywordToValue("BGRA", K::RawLoadAs), 0);
}

TEST(ValueToKeyword, NamesTheFirstRowWithTheValue) {
    EXPECT_EQ(ValueToKeyword(K::FrameLoading, 7), "");
    EXPECT_EQ(ValueToKeyword(K::Watermark, 2), "IMAGE");
    EXPECT_EQ(ValueToKeyword(K::Scaling, 0), "FIXED");
    EXPECT_EQ(ValueToKeyword(K::RawLoadAs, 4), "48HS");
    EXPECT_EQ(ValueToKeyword(K::PsdAlpha, 0), "ALWAYS");
    EXPECT_EQ(ValueToKeyword(static_cast<KeywordTable>(kKeywordTableCount), 0), "");
    EXPECT_EQ(ValueToKeyword(K::None, 0), "");
    EXPECT_EQ(ValueToKeyword(K::DdsLoadAs, -1), "");
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
        EXPECT_EQ(ValueToKeyword(K::Compression, c.value, c.format), c.keyword);
    }
}

TEST(Keywords, EveryNamedValueReadsBackAsItself) {
    const char* const compressionFormats[] = {"bmp", "tga", "exr", "png", "tiff", "psd"};
    for (int id = 0; id < kKeywordTableCount; ++id) {
        const auto table = static_cast<KeywordTable>(id);
        for (int32_t value = 0; value <= 9; ++value) {
            for (const char* format : compressionFormats) {
                SCOPED_TRACE(std::to_string(id) + "/" + std::to_string(value) + "/" + format);
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
