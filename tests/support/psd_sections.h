#pragma once
// Splits a Photoshop document (version 1 or 2) into its sections and decodes its channels, so
// tests can compare parts of documents and look into the layer without an outside reader.
// Written from the format's description, apart from the writer it checks.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pictorb::testsupport {

struct PsdSections {
    int version = 0;        // 1: document, 2: large document
    std::string header;     // the 26 header bytes
    std::string resources;  // the image resource blocks, without their length
    std::string layers;     // the layer and mask section, without its length
    std::string image;      // the merged image data: compression and channels
    // The layer count as stored (negative: the merged alpha is transparency); 0 without layers.
    int layerCount = 0;
};

// Nullopt when the bytes are not a document with sane section lengths.
std::optional<PsdSections> SplitPsd(std::string_view bytes);
// The data of resource `id`, nullopt when absent.
std::optional<std::string> PsdResource(const PsdSections& sections, uint16_t id);
// The document without its image resources, as a writer without resources would store it.
std::string WithoutResources(const PsdSections& sections);

// The first layer of a document: its bounds, names and decoded channels by id.
struct PsdLayer {
    int32_t top = 0, left = 0, bottom = 0, right = 0;
    std::string legacyName;                             // the Pascal string, as stored
    std::u16string unicodeName;                         // the 'luni' block
    std::vector<std::pair<int, std::string>> channels;  // id, plane (rows top-down)
    int compression = -1;                               // of the first channel
};

// Every channel of a document decoded from raw or PackBits rows.
struct PsdChannels {
    uint32_t width = 0, height = 0;
    std::vector<std::string> merged;  // the merged image's planes in order
    int compression = -1;             // the merged image's
    std::optional<PsdLayer> layer;
};

// Nullopt when anything does not add up: lengths, row counts, a row that does not unpack to
// the picture's width.
std::optional<PsdChannels> DecodePsd(std::string_view bytes);
// PackBits rows unpacked to `size` bytes; nullopt when they give more or fewer.
std::optional<std::string> UnpackBits(std::string_view packed, std::size_t size);

}  // namespace pictorb::testsupport
