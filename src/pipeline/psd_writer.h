#pragma once
// Writes a picture as a Photoshop document through DevIL, checking every write.

#include <cstdint>
#include <memory>
#include <string>

#include "pipeline/image.h"

namespace pictorb {

// 32-bit pixels as DevIL takes them: blue, green, red, alpha; rows bottom-up.
struct RawPixels {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t width = 0;
    uint32_t height = 0;
};

// Converts the image to raw 32-bit pixels and unloads it (so that only one full-size copy is
// alive). Empty when the image is empty or the buffer cannot be had.
RawPixels TakeRawPixels(Image image);

enum class WriteResult { Ok, OutOfMemory, EncoderFailed, CannotCreate, WriteFailed };

// Creates `path` (which must not exist) and writes the document; on any failure the partly
// written file is removed.
WriteResult WritePsd(RawPixels pixels, const std::string& path);

}  // namespace pictorb
