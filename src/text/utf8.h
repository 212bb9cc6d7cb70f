#pragma once
// UTF-8 helpers. Rules that count, cut or case-map characters work on code points.

#include <cstddef>
#include <string>
#include <string_view>

namespace pictorb {

std::size_t Utf8Length(std::string_view text);                     // code points
std::string Utf8Prefix(std::string_view text, std::size_t count);  // first `count` code points
std::string Utf8Upper(std::string_view text);                      // full Unicode simple case map
std::string Utf8Lower(std::string_view text);
std::string Utf8TitleCase(std::string_view text);  // first code point upper, the rest lower
bool IsValidUtf8(std::string_view text);
std::string Latin1ToUtf8(std::string_view bytes);
std::u16string Utf8ToUtf16(std::string_view text);  // invalid bytes become U+FFFD

std::string AsciiUpper(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

// Every occurrence of `token` replaced by `value`, matching without regard to letter case.
std::string ReplaceIgnoreCase(std::string_view text, std::string_view token,
                              std::string_view value);
// Number of non-overlapping occurrences of `token`, letter case ignored.
std::size_t CountIgnoreCase(std::string_view text, std::string_view token);

std::string Trim(std::string_view text);  // blanks (and tabs) removed at both ends

}  // namespace pictorb
