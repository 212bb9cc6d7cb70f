#pragma once
// Owning handle of one FreeImage bitmap. Stages take an Image and return the Image the job
// goes on with; an empty Image passes through every stage and fails the job.

#include <FreeImage.h>

#include <utility>

#include "platform/picture_memory.h"

namespace pictorb {

class Image {
  public:
    Image() = default;
    explicit Image(FIBITMAP* bitmap) : bitmap_(bitmap) {}
    // A bitmap whose pixels lie in `pixels` (made without a copy of them), which it keeps.
    Image(FIBITMAP* bitmap, PictureMemory pixels) : bitmap_(bitmap), pixels_(std::move(pixels)) {}
    ~Image() { Reset(); }
    Image(Image&& other) noexcept
        : bitmap_(std::exchange(other.bitmap_, nullptr)), pixels_(std::move(other.pixels_)) {}
    Image& operator=(Image&& other) noexcept {
        if (this != &other) {
            Reset();
            bitmap_ = std::exchange(other.bitmap_, nullptr);
            pixels_ = std::move(other.pixels_);
        }
        return *this;
    }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    FIBITMAP* get() const { return bitmap_; }
    explicit operator bool() const { return bitmap_ != nullptr; }
    void Reset(FIBITMAP* bitmap = nullptr) {
        if (bitmap_ != nullptr) FreeImage_Unload(bitmap_);
        pixels_ = PictureMemory();  // after the bitmap that referred to it
        bitmap_ = bitmap;
    }

    unsigned Width() const { return bitmap_ ? FreeImage_GetWidth(bitmap_) : 0; }
    unsigned Height() const { return bitmap_ ? FreeImage_GetHeight(bitmap_) : 0; }
    unsigned Bpp() const { return bitmap_ ? FreeImage_GetBPP(bitmap_) : 0; }

  private:
    FIBITMAP* bitmap_ = nullptr;
    PictureMemory pixels_;  // empty unless the bitmap's pixels live here
};

}  // namespace pictorb
