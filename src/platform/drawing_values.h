#pragma once
// The values drawing calls take and give: straight colours and the size of a line of text.

#include <cstdint>

namespace pictorb {

struct Rgba {
    uint8_t red = 0, green = 0, blue = 0, alpha = 0;
    bool operator==(const Rgba&) const = default;
};

struct TextExtent {
    int width = 0;
    int height = 0;
};

}  // namespace pictorb
