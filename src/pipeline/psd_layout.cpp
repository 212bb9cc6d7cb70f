#include "pipeline/psd_layout.h"

#include <algorithm>

namespace pictorb {

DocumentFormat DocumentFormatFor(uint64_t width, uint64_t height) {
    const uint64_t side = std::max(width, height);
    if (side > kMaxPsbSide) return DocumentFormat::TooLarge;
    return side > kMaxPsdSide ? DocumentFormat::Psb : DocumentFormat::Psd;
}

namespace psd {

void BigEndian::Unsigned(uint64_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        bytes_.push_back(static_cast<char>(value >> shift));
}

void BigEndian::U16(uint16_t value) {
    Unsigned(value, 2);
}

void BigEndian::U32(uint32_t value) {
    Unsigned(value, 4);
}

void BigEndian::Length(uint64_t value) {
    const int bytes = LengthBytes(version_);
    if (bytes == 4 && value > UINT32_MAX) {
        refused_ = true;
        return;
    }
    Unsigned(value, bytes);
}

void BigEndian::RowCount(uint64_t value) {
    const int bytes = RowCountBytes(version_);
    if ((bytes == 2 && value > UINT16_MAX) || value > UINT32_MAX) {
        refused_ = true;
        return;
    }
    Unsigned(value, bytes);
}

void BigEndian::PadTo(std::size_t unit) {
    bytes_.resize((bytes_.size() + unit - 1) / unit * unit, '\0');
}

}  // namespace psd
}  // namespace pictorb
