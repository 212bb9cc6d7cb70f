#pragma once
// A small 2D drawing surface for frames and watermarks: 32-bit pixels, fills, SVG-style
// paths, canvases drawn onto canvases with a constant alpha, and text in a loaded font.
// Pixels leave and enter as straight (not premultiplied) BGRA rows, so any image library
// can take them over without an encoding round trip.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/drawing_values.h"

namespace pictorb {

// A font resolved through fontconfig, usable from any thread once loaded.
class Font {
  public:
    struct Impl;
    explicit Font(std::unique_ptr<Impl> impl);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    std::string ResolvedFamily() const;  // the installed family the name resolved to
    int PixelSize() const;
    const Impl& impl() const { return *impl_; }

  private:
    std::unique_ptr<Impl> impl_;
};

// The family at `pixelSize` pixels (em height); nullptr for an empty family, a size below 1
// or when no font at all can be loaded. Unknown families fall back as fontconfig decides.
std::unique_ptr<Font> LoadFont(std::string_view family, int pixelSize, bool bold, bool italic,
                               bool underline, bool strikeout);

// Width and height of one line of text (the line's logical box). Plain measuring gives the
// hinted pixel box; antialiased measuring gives the outline width rounded to nearest.
// Empty when no drawing context can be made.
std::optional<TextExtent> MeasureTextLine(const Font& font, std::string_view line, bool antialias);

class Canvas {
  public:
    // width x height pixels, every one set to `fill` (transparent by default). Sizes of 0 or
    // above 32767 give an invalid canvas on which every drawing call does nothing.
    Canvas(unsigned width, unsigned height, Rgba fill = {});
    // A canvas holding straight BGRA rows; `stride` is the byte distance from one row to
    // the next (negative for bottom-up storage), `firstRow` the top row.
    static Canvas FromBgra(unsigned width, unsigned height, const uint8_t* firstRow,
                           std::ptrdiff_t stride);
    ~Canvas();
    Canvas(Canvas&& other) noexcept;
    Canvas& operator=(Canvas&& other) noexcept;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Valid() const;
    unsigned Width() const { return width_; }
    unsigned Height() const { return height_; }

    void Fill(Rgba color);  // replaces every pixel
    // Blends a rectangle over the canvas; nothing for a width or height below 1.
    void FillRect(int x, int y, int width, int height, Rgba color);
    // Blends the closed shape of an SVG-style path ("M x y", "l dx dy", "L x y", "Z"; blanks
    // or commas between items) over the canvas with antialiased edges. False, with nothing
    // drawn, when the text is not such a path.
    bool FillPath(std::string_view path, Rgba color);
    // Blends `source` over this canvas with its top-left corner at (x, y), its pixels' alpha
    // scaled by alpha / 255.
    void DrawCanvas(const Canvas& source, int x, int y, uint8_t alpha);
    // Draws one line with the top-left of its logical box at (x, y). The covered pixels are
    // replaced by `color` (all four channels); with `cellBackground` the line's logical box
    // is first replaced by that colour. Plain drawing uses no antialiasing at all.
    void DrawTextLine(const Font& font, std::string_view line, int x, int y, Rgba color,
                      bool antialias, const Rgba* cellBackground = nullptr);
    // Every pixel becomes grey (77 red + 150 green + 29 blue) >> 8, keeping its alpha.
    void Greyscale();

    // Writes the pixels as straight BGRA rows, top row to `firstRow`, rows `stride` apart.
    void ExportBgra(uint8_t* firstRow, std::ptrdiff_t stride) const;
    Rgba PixelAt(unsigned x, unsigned y) const;  // straight colour; transparent outside

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    unsigned width_ = 0;
    unsigned height_ = 0;
};

}  // namespace pictorb
