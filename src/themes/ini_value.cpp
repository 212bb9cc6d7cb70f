// The value lookup of theme.cfg. Its quirks are kept on purpose so that themes made for the
// converter family read the same everywhere: see IniValue in themes.h.

#include <algorithm>
#include <cstddef>

#include "themes/themes.h"

namespace pictorb {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `needle` in `text` at or after `from`, letter case ignored; npos when absent.
std::size_t FindIgnoreCase(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.size() > text.size()) return std::string_view::npos;
    for (std::size_t at = from; at + needle.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < needle.size() && FoldAscii(text[at + i]) == FoldAscii(needle[i])) ++i;
        if (i == needle.size()) return at;
    }
    return std::string_view::npos;
}

std::string_view TrimChar(std::string_view text, char c) {
    while (!text.empty() && text.front() == c) text.remove_prefix(1);
    while (!text.empty() && text.back() == c) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string IniValue(std::string_view text, std::string_view group, std::string_view key) {
    constexpr auto npos = std::string_view::npos;
    const std::string header = "[" + std::string(group) + "]";
    const std::size_t groupStart = FindIgnoreCase(text, header, 0);
    if (groupStart == npos) return {};
    const std::size_t afterHeader = groupStart + header.size();
    const std::size_t groupEnd = std::min(text.find('[', afterHeader), text.size());

    // The key must follow a line end, so it starts a line; a longer key with the same
    // beginning matches too.
    const std::size_t keyAt =
        FindIgnoreCase(text, std::string(kLineEnd) + std::string(key), groupStart);
    if (keyAt == npos || keyAt >= groupEnd) return {};
    const std::size_t lineStart = keyAt + kLineEnd.size();
    const std::size_t lineEnd = text.find(kLineEnd, lineStart);
    if (lineEnd == npos) return {};  // a last line without CR LF is never read
    const std::string_view line = text.substr(lineStart, lineEnd - lineStart);

    const std::size_t equals = line.find('=');
    if (equals == npos) return {};
    std::string_view value = line.substr(equals + 1);
    value = value.substr(0, value.find('='));
    for (const char c : {' ', '\t', '\r', '\n'}) value = TrimChar(value, c);
    return std::string(value);
}

}  // namespace pictorb
