#pragma once
// Writes a picture as a Photoshop document, section by section, streaming the channel planes
// from the picture into the file. Thread-safe: several files may be written at once.

#include <cstdint>
#include <string>

#include "pipeline/bitmap_reader.h"
#include "pipeline/image.h"
#include "pipeline/psd_layout.h"

namespace pictorb {

// What the document says besides its pixels.
struct DocumentInfo {
    BitmapProperties properties;
    std::string layerName;  // the layer a transparent picture is stored in (UTF-8)
};

// When the merged image carries an alpha channel: always (four channels, the alpha all 255 for
// an opaque picture), or only when the picture has transparency.
enum class AlphaChannel { Always, Auto };

struct DocumentOptions {
    psd::Compression compression = psd::Compression::Raw;
    AlphaChannel alpha = AlphaChannel::Always;
};

// Pixels per metre as 16.16 fixed-point pixels per inch; 72 when not stated.
uint32_t FixedPixelsPerInch(int32_t pixelsPerMetre);

enum class WriteResult {
    Ok,
    OutOfMemory,  // the picture is empty, or a band of it could not be converted
    TooLarge,     // beyond the large format, or a length its version cannot hold
    CannotCreate,
    WriteFailed,
    CannotMove,
};

// Writes `picture` (any depth; its values as FreeImage_ConvertTo32Bits gives them) as the
// document `outputPath`: red, green, blue and (unless `options` leave it out of an opaque
// picture) alpha, 8 bits each; the resolution and colour profile of `info`; for a picture
// with transparency also one layer holding it, named `info.layerName`; beyond 30 000 pixels per
// side the large document format. An opaque picture with the default options gives the bytes
// of DevIL's ilSave(IL_PSD) plus the image resources. The file gets its name, replacing a
// file there, only once complete (PlaceFile, platform/output_file.h; `tempPath` must not
// exist); on any failure the old output is untouched and no temporary file remains.
WriteResult WritePsd(const Image& picture, const DocumentInfo& info, const DocumentOptions& options,
                     const std::string& outputPath, const std::string& tempPath);

}  // namespace pictorb
