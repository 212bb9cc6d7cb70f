// Theme images: PNG bytes decoded in memory with libpng's simplified reader.

#include <png.h>

#include <bit>
#include <cstring>

#include "themes/themes.h"

namespace pictorb {
namespace {

// Frees what libpng allocated for an image on every path, the failing ones included.
class PngReadImage {
  public:
    PngReadImage() {
        std::memset(&image_, 0, sizeof image_);
        image_.version = PNG_IMAGE_VERSION;
    }
    ~PngReadImage() { png_image_free(&image_); }
    PngReadImage(const PngReadImage&) = delete;
    PngReadImage& operator=(const PngReadImage&) = delete;
    png_image* operator->() { return &image_; }
    png_image* get() { return &image_; }

  private:
    png_image image_;
};

}  // namespace

bool DecodePng(std::string_view bytes, IconImage& image) {
    if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8))
        return false;
    PngReadImage png;
    if (!png_image_begin_read_from_memory(png.get(), bytes.data(), bytes.size())) return false;
    // The header's dimensions are checked before any pixel memory is taken.
    if (png->width == 0 || png->height == 0 || png->width > kMaxThemeImageSide ||
        png->height > kMaxThemeImageSide)
        return false;
    // 0xAARRGGBB words: B, G, R, A in memory on a little-endian machine.
    png->format = std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    IconImage decoded;
    decoded.width = static_cast<int32_t>(png->width);
    decoded.height = static_cast<int32_t>(png->height);
    decoded.pixels.resize(static_cast<std::size_t>(png->width) * png->height);
    if (!png_image_finish_read(png.get(), nullptr, decoded.pixels.data(), 0, nullptr)) return false;
    image = std::move(decoded);
    return true;
}

}  // namespace pictorb
