#pragma once
// Memory for a whole picture, taken from the system in huge pages where it offers them:
// faulting a picture in 4 KiB at a time costs more than reading it, most of all on virtual
// machines. Not cleared beyond what the system clears; released with its owner.

#include <cstddef>
#include <cstdint>
#include <utility>

namespace pictorb {

class PictureMemory {
  public:
    PictureMemory() = default;
    // `size` bytes; empty (Data() null) when they cannot be had.
    explicit PictureMemory(std::size_t size);
    ~PictureMemory();
    PictureMemory(PictureMemory&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    PictureMemory& operator=(PictureMemory&& other) noexcept;
    PictureMemory(const PictureMemory&) = delete;
    PictureMemory& operator=(const PictureMemory&) = delete;

    uint8_t* Data() const { return data_; }

  private:
    uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace pictorb
