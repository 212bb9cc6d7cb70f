#pragma once
// The key-value text syntax shared by the settings file, profile files and language files.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pictorb {

struct IniGroup {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;  // in file order, duplicates kept
    // First entry whose key equals `key` without regard to ASCII case; nullptr when none.
    const std::string* Find(std::string_view key) const;
};

class IniDocument {
  public:
    // Bytes starting with EF BB BF are UTF-8; anything else is ISO 8859-1.
    static IniDocument Parse(std::string_view bytes);
    // nullopt when the path is empty or the file cannot be opened.
    static std::optional<IniDocument> Load(const std::string& path);
    // The first group of that name, ASCII case ignored; nullptr when none.
    const IniGroup* Group(std::string_view name) const;

  private:
    std::vector<IniGroup> groups_;
};

// Builds the written form: BOM, an empty first line, groups with "key = value" lines, each
// group closed by "; ", every line ending in CR LF.
class IniWriter {
  public:
    IniWriter();
    void Comment(std::string_view text);  // "; text"
    void BeginGroup(std::string_view name);
    void Key(std::string_view key, std::string_view value);
    void EndGroup();
    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

int32_t IniToInt(std::string_view value);  // like atoi
float IniToFloat(std::string_view value);  // like atof, plus "+Infinity", "-Infinity", "NaN"

}  // namespace pictorb
