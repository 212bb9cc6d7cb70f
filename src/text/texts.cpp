#include "text/texts.h"

#include <algorithm>
#include <utility>

#include "text/builtin_texts.h"
#include "text/ini.h"
#include "text/utf8.h"

namespace pictorb {
namespace {

// The index slot of a key: its first byte, 0 for an empty key.
unsigned char InitialCode(std::string_view key) {
    return key.empty() ? 0 : static_cast<unsigned char>(key.front());
}

// The index has one slot per code 0..255; keys starting with a later code point have none.
bool StartsAbove255(std::string_view key) {
    if (key.empty() || static_cast<unsigned char>(key.front()) < 0xC4) return false;
    return Utf8Prefix(key, 1).size() > 1;
}

}  // namespace

void TextTable::Load(const std::string& languageFile) {
    const std::span<const TextPair> data = BuiltinTexts();

    std::size_t groupCount = 0;
    std::size_t entryCount = 0;
    for (const TextPair& pair : data) {
        if (pair.first == kTextEndMarker) break;
        if (pair.first == kTextGroupMarker) {
            ++groupCount;
        } else if (groupCount > 0) {
            ++entryCount;
        }
    }
    groups_.assign(groupCount + 1, GroupRecord{});
    keys_.assign(entryCount + 1, std::string());
    texts_.assign(entryCount + 1, std::string());
    cachedGroup_ = 0;

    int32_t entry = 0;
    std::size_t group = 0;
    for (const TextPair& pair : data) {
        if (pair.first == kTextEndMarker) break;
        if (pair.first == kTextGroupMarker) {
            if (group > 0) groups_[group].last = entry;
            ++group;
            groups_[group].name = Utf8Upper(pair.second);
            groups_[group].first = entry + 1;
        } else if (group > 0) {
            ++entry;
            keys_[entry] = Utf8Upper(pair.first);
            texts_[entry] = std::string(pair.second);
        }
    }
    if (group > 0) groups_[group].last = entry;

    std::vector<std::pair<std::string, std::string>> slice;
    for (std::size_t g = 1; g < groups_.size(); ++g) {
        GroupRecord& record = groups_[g];
        if (record.last < record.first) continue;
        // Sorted by key byte by byte (unsigned), then by text, so equal keys keep a fixed order.
        slice.clear();
        for (int32_t i = record.first; i <= record.last; ++i)
            slice.emplace_back(std::move(keys_[i]), std::move(texts_[i]));
        std::sort(slice.begin(), slice.end());
        int previousCode = -1;
        for (int32_t i = record.first; i <= record.last; ++i) {
            keys_[i] = std::move(slice[i - record.first].first);
            texts_[i] = std::move(slice[i - record.first].second);
            const int code = InitialCode(keys_[i]);
            if (code != previousCode) record.initialIndex[code] = i;
            previousCode = code;
        }
    }

    if (languageFile.empty()) return;
    const std::optional<IniDocument> language = IniDocument::Load(languageFile);
    if (!language) return;
    for (std::size_t g = 1; g < groups_.size(); ++g) {
        const IniGroup* section = language->Group(groups_[g].name);
        if (section == nullptr) continue;
        for (int32_t i = groups_[g].first; i <= groups_[g].last; ++i) {
            if (const std::string* value = section->Find(keys_[i])) texts_[i] = *value;
        }
    }
}

std::string TextTable::Text(std::string_view group, std::string_view key) {
    if (groups_.empty()) return std::string(kNoStringError);
    const std::string upperGroup = Utf8Upper(group);
    const std::string upperKey = Utf8Upper(key);

    if (groups_[cachedGroup_].name != upperGroup) {
        cachedGroup_ = 0;
        for (std::size_t g = 1; g < groups_.size(); ++g) {
            if (groups_[g].name == upperGroup) {
                cachedGroup_ = g;
                break;
            }
        }
    }
    if (cachedGroup_ == 0 || StartsAbove255(upperKey)) return std::string(kNoStringError);

    const GroupRecord& record = groups_[cachedGroup_];
    for (int32_t i = record.initialIndex[InitialCode(upperKey)]; i != 0 && i <= record.last; ++i) {
        const int order = upperKey.compare(keys_[i]);
        if (order == 0) return texts_[i];
        if (order < 0) break;
    }
    return std::string(kNoStringError);
}

std::string ExpandPlaceholders(std::string_view message, std::string_view s1, std::string_view s2,
                               std::string_view s3, std::string_view s4) {
    std::string text(message);
    if (text.empty()) return text;
    const std::string_view arguments[] = {s1, s2, s3, s4};
    constexpr std::string_view kPlaceholders[] = {"%s1%", "%s2%", "%s3%", "%s4%"};
    for (std::size_t n = 0; n < 4; ++n) {
        // Runs on the text as grown so far: a placeholder brought in by an earlier argument
        // is filled by a later one.
        if (!arguments[n].empty()) text = ReplaceIgnoreCase(text, kPlaceholders[n], arguments[n]);
    }
    return text;
}

}  // namespace pictorb
