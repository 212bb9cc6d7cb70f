#pragma once
// The drawing module's canvas: a cairo image surface. Each member does what the Canvas member
// of the same name in platform/canvas.h promises; the program reaches it only through the
// module's table (platform/drawing_api.h).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/canvas.h"
#include "platform/drawing/cairo_handles.h"

namespace pictorb {

class PangoTextFont;

class CairoCanvas {
  public:
    CairoCanvas(unsigned width, unsigned height, Rgba fill = {});
    static CairoCanvas FromBgra(unsigned width, unsigned height, const uint8_t* firstRow,
                                std::ptrdiff_t stride);

    bool Valid() const { return surface_ != nullptr; }
    void Fill(Rgba color);
    void FillRect(int x, int y, int width, int height, Rgba color);
    bool FillPath(std::string_view path, Rgba color);
    void DrawCanvas(const CairoCanvas& source, int x, int y, uint8_t alpha);
    void DrawTextLine(const PangoTextFont& font, std::string_view line, int x, int y, Rgba color,
                      bool antialias, const Rgba* cellBackground);
    void Greyscale();
    void ExportBgra(uint8_t* firstRow, std::ptrdiff_t stride) const;
    Rgba PixelAt(unsigned x, unsigned y) const;

  private:
    SurfaceHandle surface_;  // null for an invalid canvas
    unsigned width_ = 0;
    unsigned height_ = 0;
};

}  // namespace pictorb
