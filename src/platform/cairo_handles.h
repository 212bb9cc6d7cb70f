#pragma once
// Owning handles for cairo and Pango objects, and the internals the canvas and font code
// share. Only for src/platform/.

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>
#include <string>

#include "platform/canvas.h"

namespace pictorb {

struct CairoSurfaceFree {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct CairoFree {
    void operator()(cairo_t* context) const { cairo_destroy(context); }
};
struct CairoFontOptionsFree {
    void operator()(cairo_font_options_t* options) const { cairo_font_options_destroy(options); }
};
struct GObjectFree {
    void operator()(void* object) const { g_object_unref(object); }
};
struct FontDescriptionFree {
    void operator()(PangoFontDescription* description) const {
        pango_font_description_free(description);
    }
};
struct AttrListFree {
    void operator()(PangoAttrList* list) const { pango_attr_list_unref(list); }
};

using SurfaceHandle = std::unique_ptr<cairo_surface_t, CairoSurfaceFree>;
using ContextHandle = std::unique_ptr<cairo_t, CairoFree>;
using FontOptionsHandle = std::unique_ptr<cairo_font_options_t, CairoFontOptionsFree>;
using LayoutHandle = std::unique_ptr<PangoLayout, GObjectFree>;
using FontDescriptionHandle = std::unique_ptr<PangoFontDescription, FontDescriptionFree>;
using AttrListHandle = std::unique_ptr<PangoAttrList, AttrListFree>;

struct Font::Impl {
    FontDescriptionHandle description;
    bool underline = false;
    bool strikeout = false;
    int pixelSize = 0;
    std::string resolvedFamily;
};

// A context on `surface`, or nullptr when drawing cannot start on it.
ContextHandle StartDrawing(cairo_surface_t* surface);
// One line of text laid out in `font` for `context`, hinted and antialiased as asked.
LayoutHandle MakeLineLayout(cairo_t* context, const Font& font, std::string_view line,
                            bool antialias);

}  // namespace pictorb
