#pragma once
// Writes a picture as a Photoshop document, checking every write. Thread-safe: several files
// may be written at once.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "pipeline/image.h"
#include "pipeline/psd_document.h"

namespace pictorb {

// A picture in the form the document stores: 8-bit red, green, blue, alpha, rows top-down.
class PsdPixels {
  public:
    PsdPixels() = default;
    PsdPixels(PsdPixels&& other) noexcept;
    PsdPixels& operator=(PsdPixels&& other) noexcept;
    PsdPixels(const PsdPixels&) = delete;
    PsdPixels& operator=(const PsdPixels&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    const uint8_t* Data() const { return data_.get(); }
    // True when every alpha value is 255.
    bool Opaque() const { return opaque_; }

    struct FreeData {
        void operator()(uint8_t* data) const { std::free(data); }
    };

  private:
    friend PsdPixels TakePsdPixels(Image image);
    std::unique_ptr<uint8_t, FreeData> data_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    bool opaque_ = true;
};

// Takes the image's pixels as 32 bits per pixel (the same values FreeImage_ConvertTo32Bits
// gives) and unloads the image, so that at most the image and this copy are alive at once.
// Empty when the image is empty, its document would pass 4 GiB, or the memory cannot be had.
PsdPixels TakePsdPixels(Image image);

enum class WriteResult { Ok, OutOfMemory, EncoderFailed, CannotCreate, WriteFailed, CannotMove };

// Encodes the document in memory (the flat document a plain ilSave(IL_PSD) of DevIL writes,
// with the resolution, the colour profile, for a transparent picture a layer, and beyond
// 30 000 pixels per side the large document format added around it: PsdDocument), then writes
// it as `outputPath`, replacing a file there only once the new one is complete (PlaceFile,
// platform/output_file.h; `tempPath` must not exist). On any failure the old output is
// untouched and no temporary file remains.
WriteResult WritePsd(PsdPixels pixels, const DocumentInfo& info, const std::string& outputPath,
                     const std::string& tempPath);

}  // namespace pictorb
