#include "ui/skin/generator/canvas.h"

#include <pango/pangocairo.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "ui/skin/generator/png_writer.h"

namespace SkinImages {

namespace {
constexpr char kFace[] = "WenQuanYi Micro Hei";
}  // namespace

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)) {}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

bool Canvas::WritePng(const std::string& path) const {
  cairo_surface_flush(surface_);
  const std::string png = EncodePng(cairo_image_surface_get_data(surface_), width_, height_,
                                    cairo_image_surface_get_stride(surface_));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(png.data(), static_cast<std::streamsize>(png.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

void SetColour(cairo_t* cr, const Rgba& c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius) {
  const double r = std::fmin(radius, std::fmin(w, h) / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void SetVerticalGradient(cairo_t* cr, double y0, double y1, const Rgba& top, const Rgba& bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
  cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
  cairo_set_source(cr, p);
  cairo_pattern_destroy(p);
}

namespace {

// A layout of `utf8` in the skin's face; throws when some character has no face to show it.
PangoLayout* MakeLayout(cairo_t* cr, const std::string& utf8, const TextStyle& style) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, kFace);
  pango_font_description_set_absolute_size(font, style.pixelSize * PANGO_SCALE);
  pango_font_description_set_weight(font, style.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  pango_layout_set_text(layout, utf8.c_str(), -1);
  if (pango_layout_get_unknown_glyphs_count(layout) > 0) {
    g_object_unref(layout);
    throw std::runtime_error("the face \"" + std::string(kFace) + "\" cannot show \"" + utf8 + "\"");
  }
  return layout;
}

}  // namespace

void DrawText(cairo_t* cr, const std::string& utf8, double x, double y, double w, double h, const TextStyle& style) {
  PangoLayout* layout = MakeLayout(cr, utf8, style);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  const double left = style.align == Align::kCenter ? x + (w - logical.width) / 2.0 : x;
  // Centre the letters themselves, not the line box: the face's line box has uneven padding.
  const double top = y + (h - ink.height) / 2.0 - ink.y;
  cairo_save(cr);
  SetColour(cr, style.colour);
  cairo_move_to(cr, std::round(left), std::round(top));
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  g_object_unref(layout);
}

double TextWidth(cairo_t* cr, const std::string& utf8, const TextStyle& style) {
  PangoLayout* layout = MakeLayout(cr, utf8, style);
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  g_object_unref(layout);
  return logical.width;
}

}  // namespace SkinImages
