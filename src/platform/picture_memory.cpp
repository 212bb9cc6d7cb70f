#include "platform/picture_memory.h"

#include <sys/mman.h>

namespace pictorb {

PictureMemory::PictureMemory(std::size_t size) {
    if (size == 0) return;
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) return;
    madvise(data, size, MADV_HUGEPAGE);  // a request; without huge pages it is plain memory
    data_ = static_cast<uint8_t*>(data);
    size_ = size;
}

PictureMemory::~PictureMemory() {
    if (data_ != nullptr) munmap(data_, size_);
}

PictureMemory& PictureMemory::operator=(PictureMemory&& other) noexcept {
    if (this != &other) {
        if (data_ != nullptr) munmap(data_, size_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

}  // namespace pictorb
