#include "pipeline/psd_document.h"

#include <gtest/gtest.h>

#include <string>

#include "pipeline/naming.h"
#include "support/psd_sections.h"

namespace pictorb {
namespace {

using testsupport::PsdResource;
using testsupport::SplitPsd;

// DevIL's flat document of a width x height picture whose bytes count up.
std::string FlatDocument(uint32_t width, uint32_t height) {
    std::string flat("8BPS\0\1\0\0\0\0\0\0\0\4", 14);
    for (const uint32_t v : {height, width}) {
        for (int shift = 24; shift >= 0; shift -= 8) flat.push_back(static_cast<char>(v >> shift));
    }
    flat += std::string("\0\x08\0\x03", 4) + std::string(14, '\0');
    for (std::size_t i = 0; i < std::size_t{width} * height * 4; ++i)
        flat.push_back(static_cast<char>(i * 7));
    return flat;
}

std::string Join(const PsdDocument& document) {
    std::string bytes;
    for (std::string_view piece : document.Pieces()) bytes += piece;
    return bytes;
}

TEST(PsdDocumentTest, ResolutionInPixelsPerInch) {
    struct Case {
        int32_t perMetre;
        double perInch;
    };
    // Whole dots per inch as bitmap writers round them; others are kept to the 1/65536.
    const Case cases[] = {{11811, 300},  {3780, 96}, {2835, 72},  {5906, 150},       {1, 0.0254},
                          {4000, 101.6}, {0, 72},    {-3780, 72}, {INT32_MAX, 32767}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.perMetre);
        EXPECT_NEAR(FixedPixelsPerInch(c.perMetre) / 65536.0, c.perInch, 1.0 / 65536);
    }
}

TEST(PsdDocumentTest, FormatAndExtensionFollowTheLongerSide) {
    struct Case {
        uint64_t width, height;
        DocumentFormat format;
        const char* extension;
    };
    const Case cases[] = {{30000, 30000, DocumentFormat::Psd, "psd"},
                          {30001, 1, DocumentFormat::Psb, "psb"},
                          {1, 30001, DocumentFormat::Psb, "psb"},
                          {300000, 2, DocumentFormat::Psb, "psb"},
                          {2, 300001, DocumentFormat::TooLarge, "psb"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(DocumentFormatFor(c.width, c.height), c.format);
        MaskValues values;
        values.outputFormatKey = "psd";
        values.width = static_cast<int32_t>(c.width);
        values.height = static_cast<int32_t>(c.height);
        EXPECT_EQ(OutputExtension(values), c.extension);
        EXPECT_EQ(ReplaceMaskToken("a.%EXT[U]%", "%ext[u]%", values),
                  std::string("a.") + (c.extension[2] == 'b' ? "PSB" : "PSD"));
    }
}

TEST(PsdDocumentTest, SectionsAroundTheFlatDocument) {
    DocumentInfo info;
    info.properties.xPixelsPerMetre = 11811;
    info.properties.yPixelsPerMetre = 3780;
    info.properties.iccProfile = {1, 2, 3};  // odd: the resource is padded
    info.layerName = "Sprite ü";
    struct Case {
        uint32_t width, height;
        bool transparent;
        int version, layerCount;
    };
    // 3 x 3 has odd planes, so the layer section needs its padding byte.
    const Case cases[] = {{3, 3, false, 1, 0}, {3, 3, true, 1, -1}, {30001, 1, true, 2, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + (c.transparent ? " transparent" : " opaque"));
        const std::string flat = FlatDocument(c.width, c.height);
        const PsdDocument document(flat, c.width, c.height, c.transparent, info);
        ASSERT_TRUE(document.Valid());
        const auto sections = SplitPsd(Join(document));
        ASSERT_TRUE(sections);
        EXPECT_EQ(sections->version, c.version);
        EXPECT_EQ(sections->layerCount, c.layerCount);
        EXPECT_EQ(sections->image, flat.substr(38));
        EXPECT_EQ(PsdResource(*sections, 1005),
                  std::string("\x01\x2C\0\0\0\1\0\1\0\x60\0\0\0\1\0\1", 16));
        EXPECT_EQ(PsdResource(*sections, 1039), std::string("\1\2\3"));
        if (c.transparent) {
            // The layer's channels are the merged planes, alpha first; its name in UTF-16 too.
            const std::size_t plane = std::size_t{c.width} * c.height;
            const std::string alpha = flat.substr(38 + 2 + 3 * plane, plane);
            EXPECT_NE(sections->layers.find(std::string(2, '\0') + alpha), std::string::npos);
            EXPECT_NE(sections->layers.find(std::string("\0\xFC", 2)), std::string::npos);
            EXPECT_EQ(sections->layers.size() % 2, 0u);
        }
    }
    EXPECT_FALSE(PsdDocument(FlatDocument(3, 3), 3, 4, false, info).Valid());
    EXPECT_FALSE(PsdDocument(FlatDocument(300001, 1), 300001, 1, false, info).Valid());
}

}  // namespace
}  // namespace pictorb
