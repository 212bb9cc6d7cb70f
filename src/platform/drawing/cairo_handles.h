#pragma once
// Owning handles for cairo and Pango objects. Only for the drawing module.

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>

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

}  // namespace pictorb
