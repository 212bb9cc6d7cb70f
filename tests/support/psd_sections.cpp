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

// A cursor over bytes that turns false for good once a read goes past the end.
struct Reader {
    std::string_view bytes;
    std::size_t at = 0;
    bool ok = true;

    uint64_t Number(int size) {
        if (!ok || bytes.size() - at < static_cast<std::size_t>(size)) {
            ok = false;
            return 0;
        }
        const uint64_t v = Be(bytes, at, size);
        at += size;
        return v;
    }
    std::string_view Take(uint64_t size) {
        if (!ok || bytes.size() - at < size) {
            ok = false;
            return {};
        }
        const std::string_view taken = bytes.substr(at, size);
        at += size;
        return taken;
    }
};

// `count` planes of width x height from `in`: raw, or PackBits rows whose counts come first
// (`countSize` bytes each).
std::optional<std::vector<std::string>> ReadPlanes(Reader& in, int compression, int count,
                                                   uint32_t width, uint32_t height, int countSize) {
    std::vector<std::string> planes;
    if (compression == 0) {
        for (int c = 0; c < count; ++c) planes.emplace_back(in.Take(uint64_t{width} * height));
        return in.ok ? std::optional(planes) : std::nullopt;
    }
    if (compression != 1) return std::nullopt;
    std::vector<uint64_t> counts;
    for (uint64_t i = 0; i < static_cast<uint64_t>(count) * height; ++i)
        counts.push_back(in.Number(countSize));
    for (int c = 0; c < count; ++c) {
        std::string plane;
        for (uint32_t row = 0; row < height; ++row) {
            const auto unpacked = UnpackBits(in.Take(counts[c * height + row]), width);
            if (!in.ok || !unpacked) return std::nullopt;
            plane += *unpacked;
        }
        planes.push_back(std::move(plane));
    }
    return planes;
}

std::optional<PsdLayer> ReadFirstLayer(std::string_view section, int version) {
    const int lengthSize = version == 2 ? 8 : 4;
    Reader in{section};
    Reader info{in.Take(in.Number(lengthSize))};
    const int count = static_cast<int16_t>(info.Number(2));
    if (!in.ok || count == 0) return std::nullopt;
    PsdLayer layer;
    layer.top = static_cast<int32_t>(info.Number(4));
    layer.left = static_cast<int32_t>(info.Number(4));
    layer.bottom = static_cast<int32_t>(info.Number(4));
    layer.right = static_cast<int32_t>(info.Number(4));
    const int channels = static_cast<int>(info.Number(2));
    std::vector<std::pair<int, uint64_t>> lengths;
    for (int c = 0; c < channels; ++c) {
        const int id = static_cast<int16_t>(info.Number(2));
        lengths.emplace_back(id, info.Number(lengthSize));
    }
    if (info.Take(4) != "8BIM") return std::nullopt;
    info.Take(8);  // blend mode, opacity, clipping, flags, filler
    Reader extra{info.Take(info.Number(4))};
    extra.Take(extra.Number(4));  // layer mask
    extra.Take(extra.Number(4));  // blending ranges
    const std::size_t nameStart = extra.at;
    layer.legacyName = std::string(extra.Take(extra.Number(1)));
    extra.Take((4 - (extra.at - nameStart) % 4) % 4);
    while (extra.ok && extra.at < extra.bytes.size()) {
        extra.Take(4);  // signature
        const std::string_view key = extra.Take(4);
        Reader data{extra.Take(extra.Number(4))};
        if (key != "luni") continue;
        const uint64_t units = data.Number(4);
        for (uint64_t i = 0; i < units && data.ok; ++i)
            layer.unicodeName.push_back(static_cast<char16_t>(data.Number(2)));
    }
    if (!info.ok || !extra.ok) return std::nullopt;
    // The first layer's channel data follows the records of every layer: here there is one.
    if (count != 1 && count != -1) return std::nullopt;
    const uint32_t width = static_cast<uint32_t>(layer.right - layer.left);
    const uint32_t height = static_cast<uint32_t>(layer.bottom - layer.top);
    for (const auto& [id, length] : lengths) {
        Reader channel{info.Take(length)};
        const int compression = static_cast<int>(channel.Number(2));
        if (layer.compression < 0) layer.compression = compression;
        const auto planes =
            ReadPlanes(channel, compression, 1, width, height, version == 2 ? 4 : 2);
        if (!planes || channel.at != channel.bytes.size()) return std::nullopt;
        layer.channels.emplace_back(id, planes->front());
    }
    return info.ok ? std::optional(layer) : std::nullopt;
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

std::optional<PsdChannels> DecodePsd(std::string_view bytes) {
    const std::optional<PsdSections> sections = SplitPsd(bytes);
    if (!sections) return std::nullopt;
    PsdChannels decoded;
    const std::string& header = sections->header;
    const int channels = static_cast<int>(Be(header, 12, 2));
    decoded.height = static_cast<uint32_t>(Be(header, 14, 4));
    decoded.width = static_cast<uint32_t>(Be(header, 18, 4));
    if (Be(header, 22, 2) != 8 || Be(header, 24, 2) != 3) return std::nullopt;  // 8-bit RGB
    Reader image{sections->image};
    decoded.compression = static_cast<int>(image.Number(2));
    auto merged = ReadPlanes(image, decoded.compression, channels, decoded.width, decoded.height,
                             sections->version == 2 ? 4 : 2);
    if (!merged || image.at != image.bytes.size()) return std::nullopt;
    decoded.merged = std::move(*merged);
    if (sections->layerCount != 0) {
        decoded.layer = ReadFirstLayer(sections->layers, sections->version);
        if (!decoded.layer) return std::nullopt;
    }
    return decoded;
}

std::optional<std::string> UnpackBits(std::string_view packed, std::size_t size) {
    std::string out;
    for (std::size_t at = 0; at < packed.size();) {
        const int header = static_cast<int8_t>(packed[at++]);
        if (header >= 0) {
            const std::size_t count = static_cast<std::size_t>(header) + 1;
            if (packed.size() - at < count) return std::nullopt;
            out.append(packed.substr(at, count));
            at += count;
        } else if (header != -128) {
            if (at == packed.size()) return std::nullopt;
            out.append(static_cast<std::size_t>(1 - header), packed[at++]);
        }
    }
    return out.size() == size ? std::optional(out) : std::nullopt;
}

}  // namespace pictorb::testsupport
