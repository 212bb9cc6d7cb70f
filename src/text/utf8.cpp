#include "text/utf8.h"

#include <locale.h>
#include <wctype.h>

namespace pictorb {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One code point read from UTF-8; `valid` is false for a malformed or truncated sequence,
// which then stands for its first byte alone.
struct Decoded {
    char32_t codePoint = 0;
    std::size_t length = 1;
    bool valid = false;
};

Decoded DecodeAt(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) return {lead, 1, true};
    std::size_t length = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return {};
    }
    if (text.size() - pos < length) return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) return {};
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not characters.
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return {};
    return {codePoint, length, true};
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// The C.UTF-8 locale carries the Unicode case tables independently of the user's locale.
class CaseLocale {
  public:
    CaseLocale() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0))) {}
    ~CaseLocale() {
        if (locale_ != static_cast<locale_t>(0)) freelocale(locale_);
    }
    CaseLocale(const CaseLocale&) = delete;
    CaseLocale& operator=(const CaseLocale&) = delete;
    locale_t Get() const { return locale_; }

  private:
    locale_t locale_;
};

locale_t CaseTables() {
    static const CaseLocale locale;
    return locale.Get();
}

char32_t ToUpper(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    const locale_t locale = CaseTables();
    if (locale == static_cast<locale_t>(0)) return c;
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale));
}

char32_t ToLower(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    const locale_t locale = CaseTables();
    if (locale == static_cast<locale_t>(0)) return c;
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), locale));
}

// Case-maps every valid code point; malformed bytes are kept as they are.
template <typename Map>
std::string MapCodePoints(std::string_view text, Map map, bool firstOnlyUpper = false) {
    std::string out;
    out.reserve(text.size());
    bool first = true;
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = DecodeAt(text, pos);
        if (d.valid) {
            AppendUtf8(out, firstOnlyUpper && first ? ToUpper(d.codePoint) : map(d.codePoint));
        } else {
            out += text[pos];
        }
        first = false;
        pos += d.length;
    }
    return out;
}

// Length in bytes of the match of `token` at `pos` in `text`, letters compared case-folded;
// 0 when there is none.
std::size_t MatchIgnoreCase(std::string_view text, std::size_t pos, std::string_view token) {
    std::size_t t = pos;
    for (std::size_t k = 0; k < token.size();) {
        if (t >= text.size()) return 0;
        const Decoded a = DecodeAt(text, t);
        const Decoded b = DecodeAt(token, k);
        if (a.valid != b.valid) return 0;
        if (a.valid) {
            if (a.codePoint != b.codePoint && ToLower(a.codePoint) != ToLower(b.codePoint))
                return 0;
        } else if (text[t] != token[k]) {
            return 0;
        }
        t += a.length;
        k += b.length;
    }
    return t - pos;
}

}  // namespace

std::size_t Utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += DecodeAt(text, pos).length) ++count;
    return count;
}

std::string Utf8Prefix(std::string_view text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < text.size(); ++n) pos += DecodeAt(text, pos).length;
    return std::string(text.substr(0, pos));
}

std::string Utf8Upper(std::string_view text) {
    return MapCodePoints(text, ToUpper);
}

std::string Utf8Lower(std::string_view text) {
    return MapCodePoints(text, ToLower);
}

std::string Utf8TitleCase(std::string_view text) {
    return MapCodePoints(text, ToLower, true);
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = DecodeAt(text, pos);
        if (!d.valid) return false;
        pos += d.length;
    }
    return true;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded d = DecodeAt(text, pos);
        const char32_t c = d.valid ? d.codePoint : kReplacement;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        pos += d.length;
    }
    return out;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::string ReplaceIgnoreCase(std::string_view text, std::string_view token,
                              std::string_view value) {
    if (token.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        if (const std::size_t matched = MatchIgnoreCase(text, pos, token)) {
            out += value;
            pos += matched;
        } else {
            const std::size_t step = DecodeAt(text, pos).length;
            out += text.substr(pos, step);
            pos += step;
        }
    }
    return out;
}

std::size_t CountIgnoreCase(std::string_view text, std::string_view token) {
    if (token.empty()) return 0;
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        if (const std::size_t matched = MatchIgnoreCase(text, pos, token)) {
            ++count;
            pos += matched;
        } else {
            pos += DecodeAt(text, pos).length;
        }
    }
    return count;
}

std::string Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace pictorb
