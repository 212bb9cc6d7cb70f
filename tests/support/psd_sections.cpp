#include "support/psd_sections.h"

namespace pictorb::testsupport {
namespace {

uint64_t Be(std::string_view bytes, std::size_t at, int size) {
    uint64_t v = 0;
    for (int i = 0; i < size; ++i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

// Reads a length of `size` bytes at `at` and the block it announces; false past the end.
bool Block(std::string_view bytes, std::size_t& at, int size, std::string& block) {
    if (bytes.size() < at + size) return false;
    const uint64_t length = Be(bytes, at, size);
    at += size;
    if (length > bytes.size() - at) return false;
    block = bytes.substr(at, length);
    at += length;
    return true;
}

}  // namespace

std::optional<PsdSections> SplitPsd(std::string_view bytes) {
    if (bytes.size() < 26 || bytes.substr(0, 4) != "8BPS") return std::nullopt;
    PsdSections s;
    s.version = static_cast<int>(Be(bytes, 4, 2));
    if (s.version != 1 && s.version != 2) return std::nullopt;
    s.header = bytes.substr(0, 26);
    std::size_t at = 26;
    std::string colourMode;
    if (!Block(bytes, at, 4, colourMode) || !Block(bytes, at, 4, s.resources) ||
        !Block(bytes, at, s.version == 2 ? 8 : 4, s.layers)) {
        return std::nullopt;
    }
    s.image = bytes.substr(at);
    const std::size_t countAt = s.version == 2 ? 8 : 4;
    if (s.layers.size() >= countAt + 2)
        s.layerCount = static_cast<int16_t>(Be(s.layers, countAt, 2));
    return s;
}

std::optional<std::string> PsdResource(const PsdSections& sections, uint16_t id) {
    std::string_view rest = sections.resources;
    // Blocks: "8BIM", id, a padded Pascal name (empty here), length, data padded to even.
    while (rest.size() >= 12 && rest.substr(0, 4) == "8BIM") {
        const uint64_t length = Be(rest, 8, 4);
        if (length > rest.size() - 12) return std::nullopt;
        if (Be(rest, 4, 2) == id) return std::string(rest.substr(12, length));
        rest.remove_prefix(std::min<std::size_t>(rest.size(), 12 + length + length % 2));
    }
    return std::nullopt;
}

std::string WithoutResources(const PsdSections& sections) {
    const std::size_t lengthSize = sections.version == 2 ? 8 : 4;
    std::string out = sections.header;
    out.append(8, '\0');  // empty colour mode data and resources
    for (std::size_t i = lengthSize; i-- > 0;)
        out.push_back(static_cast<char>(sections.layers.size() >> (8 * i)));
    return out + sections.layers + sections.image;
}

}  // namespace pictorb::testsupport
