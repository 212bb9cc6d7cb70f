// The drawing module's canvas on a cairo image surface: premultiplied pixels inside, straight
// BGRA rows outside.

#include "platform/drawing/cairo_canvas.h"

#include <cairo.h>

#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/drawing/pango_font.h"

namespace pictorb {

namespace {

// cairo's image surfaces stop at this size.
constexpr unsigned kMaxSide = 32767;

// c * a / 255 rounded to nearest, as cairo premultiplies.
inline uint32_t Premultiply(uint32_t channel, uint32_t alpha) {
    const uint32_t t = channel * alpha + 0x80;
    return (t + (t >> 8)) >> 8;
}

// Straight channel values for every (alpha, premultiplied channel) pair, rounded to
// nearest: a table lookup instead of a division per channel keeps large translucent layers
// fast.
using UnpremultiplyTable = std::array<std::array<uint8_t, 256>, 256>;

constexpr UnpremultiplyTable MakeUnpremultiplyTable() {
    UnpremultiplyTable table{};
    for (uint32_t alpha = 1; alpha < 256; ++alpha) {
        for (uint32_t channel = 0; channel < 256; ++channel) {
            const uint32_t value = (channel * 255 + alpha / 2) / alpha;
            table[alpha][channel] = static_cast<uint8_t>(value > 255 ? 255 : value);
        }
    }
    return table;
}

constexpr UnpremultiplyTable kUnpremultiply = MakeUnpremultiplyTable();

inline uint32_t Unpremultiply(uint32_t channel, uint32_t alpha) {
    return kUnpremultiply[alpha][channel];
}

inline uint32_t PackPremultiplied(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
    if (alpha == 0) return 0;
    if (alpha != 255) {
        red = Premultiply(red, alpha);
        green = Premultiply(green, alpha);
        blue = Premultiply(blue, alpha);
    }
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}

inline Rgba UnpackStraight(uint32_t pixel) {
    const uint32_t alpha = pixel >> 24;
    if (alpha == 0) return {};
    uint32_t red = (pixel >> 16) & 0xFF;
    uint32_t green = (pixel >> 8) & 0xFF;
    uint32_t blue = pixel & 0xFF;
    if (alpha != 255) {
        red = Unpremultiply(red, alpha);
        green = Unpremultiply(green, alpha);
        blue = Unpremultiply(blue, alpha);
    }
    return {static_cast<uint8_t>(red), static_cast<uint8_t>(green), static_cast<uint8_t>(blue),
            static_cast<uint8_t>(alpha)};
}

void SetSource(cairo_t* context, Rgba color) {
    cairo_set_source_rgba(context, color.red / 255.0, color.green / 255.0, color.blue / 255.0,
                          color.alpha / 255.0);
}

// Adds the path text to the context's current path; false on anything it does not know.
bool AddPathText(cairo_t* context, std::string_view text) {
    std::vector<double> numbers;
    char command = 0;
    bool started = false;
    std::size_t at = 0;
    auto flush = [&]() -> bool {
        if (command == 0) return numbers.empty();
        if (command == 'Z' || command == 'z') {
            if (!numbers.empty() || !started) return false;
            cairo_close_path(context);
            return true;
        }
        if (numbers.empty() || numbers.size() % 2 != 0) return false;
        for (std::size_t i = 0; i < numbers.size(); i += 2) {
            const double x = numbers[i], y = numbers[i + 1];
            const bool firstOfMove = i == 0 && (command == 'M' || command == 'm');
            if (firstOfMove && command == 'M') {
                cairo_move_to(context, x, y);
            } else if (firstOfMove) {
                if (started) {
                    cairo_rel_move_to(context, x, y);
                } else {
                    cairo_move_to(context, x, y);
                }
            } else if (command == 'L' || command == 'M') {
                if (!started) return false;
                cairo_line_to(context, x, y);
            } else {
                if (!started) return false;
                cairo_rel_line_to(context, x, y);
            }
            started = true;
        }
        return true;
    };
    while (at < text.size()) {
        const char c = text[at];
        if (c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n') {
            ++at;
        } else if (std::string_view("MmLlZz").find(c) != std::string_view::npos) {
            if (!flush()) return false;
            command = c;
            numbers.clear();
            ++at;
        } else {
            double value = 0;
            const auto [end, error] =
                std::from_chars(text.data() + at, text.data() + text.size(), value);
            if (error != std::errc() || command == 0) return false;
            numbers.push_back(value);
            at = static_cast<std::size_t>(end - text.data());
        }
    }
    return flush() && started;
}

}  // namespace

CairoCanvas::CairoCanvas(unsigned width, unsigned height, Rgba fill) {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return;
    SurfaceHandle surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width),
                                                     static_cast<int>(height)));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return;
    surface_ = std::move(surface);
    width_ = width;
    height_ = height;
    if (fill.alpha != 0) Fill(fill);
}

CairoCanvas CairoCanvas::FromBgra(unsigned width, unsigned height, const uint8_t* firstRow,
                                  std::ptrdiff_t stride) {
    CairoCanvas canvas(width, height);
    if (!canvas.Valid() || firstRow == nullptr) return canvas;
    cairo_surface_t* surface = canvas.surface_.get();
    cairo_surface_flush(surface);
    uint8_t* data = cairo_image_surface_get_data(surface);
    const int pitch = cairo_image_surface_get_stride(surface);
    for (unsigned y = 0; y < height; ++y) {
        const uint8_t* in = firstRow + static_cast<std::ptrdiff_t>(y) * stride;
        auto* out = reinterpret_cast<uint32_t*>(data + static_cast<std::size_t>(y) * pitch);
        for (unsigned x = 0; x < width; ++x, in += 4) {
            out[x] = PackPremultiplied(in[2], in[1], in[0], in[3]);
        }
    }
    cairo_surface_mark_dirty(surface);
    return canvas;
}

void CairoCanvas::Fill(Rgba color) {
    if (!Valid()) return;
    ContextHandle context = StartDrawing(surface_.get());
    if (!context) return;
    cairo_set_operator(context.get(), CAIRO_OPERATOR_SOURCE);
    SetSource(context.get(), color);
    cairo_paint(context.get());
}

void CairoCanvas::FillRect(int x, int y, int width, int height, Rgba color) {
    if (!Valid() || width < 1 || height < 1) return;
    ContextHandle context = StartDrawing(surface_.get());
    if (!context) return;
    SetSource(context.get(), color);
    cairo_rectangle(context.get(), x, y, width, height);
    cairo_fill(context.get());
}

bool CairoCanvas::FillPath(std::string_view path, Rgba color) {
    if (!Valid()) return false;
    ContextHandle context = StartDrawing(surface_.get());
    if (!context) return false;
    if (!AddPathText(context.get(), path)) return false;
    SetSource(context.get(), color);
    cairo_fill(context.get());
    return true;
}

void CairoCanvas::DrawCanvas(const CairoCanvas& source, int x, int y, uint8_t alpha) {
    if (!Valid() || !source.Valid() || alpha == 0) return;
    ContextHandle context = StartDrawing(surface_.get());
    if (!context) return;
    cairo_set_source_surface(context.get(), source.surface_.get(), x, y);
    if (alpha == 255) {
        cairo_paint(context.get());
    } else {
        cairo_paint_with_alpha(context.get(), alpha / 255.0);
    }
}

void CairoCanvas::DrawTextLine(const PangoTextFont& font, std::string_view line, int x, int y,
                               Rgba color, bool antialias, const Rgba* cellBackground) {
    if (!Valid()) return;
    ContextHandle context = StartDrawing(surface_.get());
    if (!context) return;
    cairo_t* cr = context.get();
    cairo_set_antialias(cr, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    LayoutHandle layout = font.LayOutLine(cr, line, antialias);
    if (!layout) return;
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (cellBackground != nullptr) {
        PangoRectangle logical{};
        pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
        SetSource(cr, *cellBackground);
        cairo_rectangle(cr, x + logical.x, y + logical.y, logical.width, logical.height);
        cairo_fill(cr);
    }
    SetSource(cr, color);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout.get());
}

void CairoCanvas::Greyscale() {
    if (!Valid()) return;
    cairo_surface_t* surface = surface_.get();
    cairo_surface_flush(surface);
    uint8_t* data = cairo_image_surface_get_data(surface);
    const int pitch = cairo_image_surface_get_stride(surface);
    for (unsigned y = 0; y < height_; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + static_cast<std::size_t>(y) * pitch);
        for (unsigned x = 0; x < width_; ++x) {
            const Rgba c = UnpackStraight(row[x]);
            if (c.alpha == 0) continue;
            const uint32_t grey = (77u * c.red + 150u * c.green + 29u * c.blue) >> 8;
            row[x] = PackPremultiplied(grey, grey, grey, c.alpha);
        }
    }
    cairo_surface_mark_dirty(surface);
}

void CairoCanvas::ExportBgra(uint8_t* firstRow, std::ptrdiff_t stride) const {
    if (!Valid() || firstRow == nullptr) return;
    cairo_surface_t* surface = surface_.get();
    cairo_surface_flush(surface);
    const uint8_t* data = cairo_image_surface_get_data(surface);
    const int pitch = cairo_image_surface_get_stride(surface);
    for (unsigned y = 0; y < height_; ++y) {
        const auto* in =
            reinterpret_cast<const uint32_t*>(data + static_cast<std::size_t>(y) * pitch);
        uint8_t* out = firstRow + static_cast<std::ptrdiff_t>(y) * stride;
        if constexpr (std::endian::native == std::endian::little) {
            // cairo's premultiplied pixels are already BGRA in memory and fully transparent
            // ones are all zero, so only partly transparent pixels need work.
            std::memcpy(out, in, static_cast<std::size_t>(width_) * 4);
            for (unsigned x = 0; x < width_; ++x) {
                const uint32_t alpha = in[x] >> 24;
                if (alpha == 0 || alpha == 255) continue;
                const Rgba c = UnpackStraight(in[x]);
                uint8_t* pixel = out + static_cast<std::size_t>(x) * 4;
                pixel[0] = c.blue;
                pixel[1] = c.green;
                pixel[2] = c.red;
            }
            continue;
        }
        for (unsigned x = 0; x < width_; ++x, out += 4) {
            const Rgba c = UnpackStraight(in[x]);
            out[0] = c.blue;
            out[1] = c.green;
            out[2] = c.red;
            out[3] = c.alpha;
        }
    }
}

Rgba CairoCanvas::PixelAt(unsigned x, unsigned y) const {
    if (!Valid() || x >= width_ || y >= height_) return {};
    cairo_surface_t* surface = surface_.get();
    cairo_surface_flush(surface);
    const uint8_t* data = cairo_image_surface_get_data(surface);
    const int pitch = cairo_image_surface_get_stride(surface);
    return UnpackStraight(
        reinterpret_cast<const uint32_t*>(data + static_cast<std::size_t>(y) * pitch)[x]);
}

}  // namespace pictorb
