#pragma once
// Writes a picture as a Photoshop document through DevIL, checking every write.

#include <cstdint>
#include <string>

#include "pipeline/image.h"
#include "pipeline/psd_document.h"

namespace pictorb {

// A picture held by DevIL in the form its Photoshop writer stores without a copy of its own:
// 8-bit red, green, blue, alpha, rows top-down. Owns the DevIL image name.
class PsdPixels {
  public:
    PsdPixels() = default;
    ~PsdPixels();
    PsdPixels(PsdPixels&& other) noexcept;
    PsdPixels& operator=(PsdPixels&& other) noexcept;
    PsdPixels(const PsdPixels&) = delete;
    PsdPixels& operator=(const PsdPixels&) = delete;

    explicit operator bool() const { return name_ != 0; }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    // True when every alpha value is 255.
    bool Opaque() const { return opaque_; }
    // Binds the picture as DevIL's current image; false when empty.
    bool Bind() const;

  private:
    friend PsdPixels TakePsdPixels(Image image);
    unsigned name_ = 0;  // DevIL image name
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    bool opaque_ = true;
};

// Hands the image's pixels to DevIL as 32 bits per pixel (the same values
// FreeImage_ConvertTo32Bits gives) and unloads the image, so that at most the image and
// DevIL's copy are alive at once. Empty when the image is empty, larger than DevIL's 4 GiB
// limit, or the memory cannot be had.
PsdPixels TakePsdPixels(Image image);

enum class WriteResult { Ok, OutOfMemory, EncoderFailed, CannotCreate, WriteFailed, CannotMove };

// Encodes the document in memory (DevIL's flat document, with the resolution, the colour
// profile, for a transparent picture a layer, and beyond 30 000 pixels per side the large
// document format added around it: PsdDocument), then writes it as `outputPath`, replacing a
// file there only once the new one is complete (PlaceFile, platform/output_file.h; `tempPath`
// must not exist). On any failure the old output is untouched and no temporary file remains.
WriteResult WritePsd(PsdPixels pixels, const DocumentInfo& info, const std::string& outputPath,
                     const std::string& tempPath);

}  // namespace pictorb
