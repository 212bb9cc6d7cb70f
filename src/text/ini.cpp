#include "text/ini.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "text/utf8.h"

namespace pictorb {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The white space that atoi and atof skip before the number (C locale).
bool IsCSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Reads the whole file; nullopt when it cannot be opened or read, or names a folder.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return bytes;
}

class CNumericLocale {
  public:
    CNumericLocale() : locale_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0))) {}
    ~CNumericLocale() {
        if (locale_ != static_cast<locale_t>(0)) freelocale(locale_);
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;
    locale_t Get() const { return locale_; }

  private:
    locale_t locale_;
};

}  // namespace

const std::string* IniGroup::Find(std::string_view key) const {
    for (const auto& [entryKey, value] : entries) {
        if (EqualsIgnoreAsciiCase(entryKey, key)) return &value;
    }
    return nullptr;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
    std::string text;
    if (bytes.starts_with(kBom)) {
        text.assign(bytes.substr(kBom.size()));
    } else {
        text = Latin1ToUtf8(bytes);
    }

    IniDocument document;
    // Key lines ahead of the first group line belong to no group; nothing can look them up,
    // so they are dropped.
    IniGroup* current = nullptr;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\r\n");
        std::string_view line = rest.substr(0, end);
        if (end == std::string_view::npos) {
            rest = {};
        } else {
            const bool crLf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
            rest.remove_prefix(end + (crLf ? 2 : 1));
        }

        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            line.remove_prefix(1);
            IniGroup group;
            group.name = std::string(line.substr(0, line.find(']')));
            document.groups_.push_back(std::move(group));
            current = &document.groups_.back();
            continue;
        }
        const std::size_t equals = line.find('=');
        // A line holding neither a group nor an "=" carries no value; it is skipped.
        if (equals == std::string_view::npos || current == nullptr) continue;
        current->entries.emplace_back(std::string(TrimBlanks(line.substr(0, equals))),
                                      std::string(TrimBlanks(line.substr(equals + 1))));
    }
    return document;
}

std::optional<IniDocument> IniDocument::Load(const std::string& path) {
    if (path.empty()) return std::nullopt;
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) return std::nullopt;
    return Parse(*bytes);
}

const IniGroup* IniDocument::Group(std::string_view name) const {
    for (const IniGroup& group : groups_) {
        if (EqualsIgnoreAsciiCase(group.name, name)) return &group;
    }
    return nullptr;
}

IniWriter::IniWriter() {
    bytes_ += kBom;
    bytes_ += kLineEnd;
}

void IniWriter::Comment(std::string_view text) {
    bytes_ += "; ";
    bytes_ += text;
    bytes_ += kLineEnd;
}

void IniWriter::BeginGroup(std::string_view name) {
    bytes_ += '[';
    bytes_ += name;
    bytes_ += ']';
    bytes_ += kLineEnd;
}

void IniWriter::Key(std::string_view key, std::string_view value) {
    bytes_ += key;
    bytes_ += " = ";
    bytes_ += value;
    bytes_ += kLineEnd;
}

void IniWriter::EndGroup() {
    bytes_ += "; ";
    bytes_ += kLineEnd;
}

int32_t IniToInt(std::string_view value) {
    std::size_t pos = 0;
    while (pos < value.size() && IsCSpace(value[pos])) ++pos;
    bool negative = false;
    if (pos < value.size() && (value[pos] == '+' || value[pos] == '-')) {
        negative = value[pos] == '-';
        ++pos;
    }
    // Accumulated as a negative number so that INT32_MIN fits; overflow clamps.
    int64_t result = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; pos < value.size() && value[pos] >= '0' && value[pos] <= '9'; ++pos) {
        result = result * 10 - (value[pos] - '0');
        if (result < -kLimit) result = -kLimit;
    }
    if (negative) return static_cast<int32_t>(result);
    return static_cast<int32_t>(std::min<int64_t>(-result, std::numeric_limits<int32_t>::max()));
}

float IniToFloat(std::string_view value) {
    static const CNumericLocale locale;
    const std::string text(value);  // strtof needs the terminating NUL
    if (locale.Get() == static_cast<locale_t>(0)) return strtof(text.c_str(), nullptr);
    return strtof_l(text.c_str(), nullptr, locale.Get());
}

}  // namespace pictorb
