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

// A 24- or 32-bit bitmap in memory of its own, which large pictures take in huge pages
// (FreeImage's own bitmaps fault in 4 KiB at a time, and clear every byte first); the pixels
// start cleared. Empty when the memory cannot be had.
Image AllocatePicture(unsigned width, unsigned height, unsigned bpp);

// A copy of a 24- or 32-bit bitmap in such memory: pixels, resolution, colour profile,
// transparency flag and metadata. Other bitmaps are copied by FreeImage_Clone.
Image CopyPicture(const Image& image);

}  // namespace pictorb
