#pragma once
// Splits a Photoshop document (version 1 or 2) into its sections, so tests can compare parts
// of documents and look into the layer section without an outside reader.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

}  // namespace pictorb::testsupport
