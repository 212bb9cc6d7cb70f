#pragma once
// The interface text table: every displayed text and status message, found by group and key.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pictorb {

inline constexpr std::string_view kNoStringError = "%NO_STRING_ERROR%";

class TextTable {
  public:
    // Builds the table from the built-in texts, then applies `languageFile` when it names a
    // readable file in the settings-file syntax.
    void Load(const std::string& languageFile = "");
    // The text, or "%NO_STRING_ERROR%". Group and key match in any letter case.
    std::string Text(std::string_view group, std::string_view key);

  private:
    struct GroupRecord {
        std::string name;
        int32_t first = 0;
        int32_t last = 0;
        int32_t initialIndex[256] = {};
    };
    std::vector<GroupRecord> groups_;  // [0] stands for no group
    std::vector<std::string> keys_;    // [0] unused
    std::vector<std::string> texts_;
    std::size_t cachedGroup_ = 0;
};

// Replaces "%s1%".."%s4%" (any case) by the non-empty arguments, in order.
std::string ExpandPlaceholders(std::string_view message, std::string_view s1 = {},
                               std::string_view s2 = {}, std::string_view s3 = {},
                               std::string_view s4 = {});

}  // namespace pictorb
