#include "ui/framework/cairo_canvas.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <cmath>

#include "ui/framework/messages.h"
#include "ui/framework/pango_text.h"

namespace SkinUI {
namespace {

void SetColor(cairo_t* cr, uint32_t color) {
  cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0,
                        ((color >> 24) & 0xFF) / 255.0);
}

// A rectangle path, its corners rounded by an ellipse of `radius` (the Win32 round-rect sense:
// the full width and height of the corner ellipse).
void RectPath(cairo_t* cr, double x, double y, double w, double h, Size radius) {
  const double rx = std::min(radius.cx / 2.0, w / 2), ry = std::min(radius.cy / 2.0, h / 2);
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  cairo_new_sub_path(cr);
  const auto corner = [&](double cx, double cy, double from, double to) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, from, to);
    cairo_restore(cr);
  };
  corner(x + w - rx, y + ry, -M_PI / 2, 0);
  corner(x + w - rx, y + h - ry, 0, M_PI / 2);
  corner(x + rx, y + h - ry, M_PI / 2, M_PI);
  corner(x + rx, y + ry, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

cairo_surface_t* WrapBitmap(const Bitmap& bitmap) {
  // cairo only reads from the source surface; the pixels stay the caller's.
  return cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap.pixels.data())),
                                             CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.height, bitmap.width * 4);
}

}  // namespace

CairoCanvas::CairoCanvas(cairo_t* cr) : cr_(cr) {}

CairoCanvas::CairoCanvas(Bitmap& target) {
  ownSurface_ = WrapBitmap(target);
  cr_ = cairo_create(ownSurface_);
  ownContext_ = true;
}

CairoCanvas::~CairoCanvas() {
  if (ownContext_) {
    Flush();
    cairo_destroy(cr_);
  }
  if (ownSurface_) cairo_surface_destroy(ownSurface_);
}

void CairoCanvas::Flush() {
  if (ownSurface_) cairo_surface_flush(ownSurface_);
}

void CairoCanvas::Save() { cairo_save(cr_); }
void CairoCanvas::Restore() { cairo_restore(cr_); }

void CairoCanvas::ClipRect(const Rect& rect) {
  cairo_rectangle(cr_, rect.left, rect.top, std::max(0, rect.Width()), std::max(0, rect.Height()));
  cairo_clip(cr_);
}

void CairoCanvas::FillRect(const Rect& rect, uint32_t color, Size radius) {
  if (rect.IsEmpty() || (color >> 24) == 0) return;
  SetColor(cr_, color);
  RectPath(cr_, rect.left, rect.top, rect.Width(), rect.Height(), radius);
  cairo_fill(cr_);
}

void CairoCanvas::StrokeRect(const Rect& rect, uint32_t color, int width, Size radius) {
  if (rect.IsEmpty() || width <= 0 || (color >> 24) == 0) return;
  SetColor(cr_, color);
  cairo_set_line_width(cr_, width);
  // The stroke lies inside the rectangle, as a Win32 border does.
  const double half = width / 2.0;
  RectPath(cr_, rect.left + half, rect.top + half, rect.Width() - width, rect.Height() - width, radius);
  cairo_stroke(cr_);
}

void CairoCanvas::DrawPart(cairo_surface_t* image, const Rect& from, const Rect& to, double alpha, bool tiled) {
  if (from.IsEmpty() || to.IsEmpty()) return;
  cairo_surface_t* part = cairo_surface_create_for_rectangle(image, from.left, from.top, from.Width(), from.Height());
  cairo_save(cr_);
  cairo_rectangle(cr_, to.left, to.top, to.Width(), to.Height());
  cairo_clip(cr_);
  cairo_translate(cr_, to.left, to.top);
  const bool sameSize = from.Width() == to.Width() && from.Height() == to.Height();
  if (!tiled && !sameSize) cairo_scale(cr_, double(to.Width()) / from.Width(), double(to.Height()) / from.Height());
  cairo_set_source_surface(cr_, part, 0, 0);
  cairo_pattern_t* pattern = cairo_get_source(cr_);
  cairo_pattern_set_extend(pattern, tiled ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pattern, sameSize || tiled ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
  if (alpha >= 1.0) cairo_paint(cr_);
  else cairo_paint_with_alpha(cr_, alpha);
  cairo_restore(cr_);
  cairo_surface_destroy(part);
}

void CairoCanvas::DrawBitmap(const Bitmap& image, const Rect& dest, const Rect& sourceIn, const Rect& corner,
                             uint8_t alphaByte, bool hole, bool xtiled, bool ytiled) {
  const Rect source = sourceIn.Intersect({0, 0, image.width, image.height});
  if (image.Empty() || source.IsEmpty() || dest.IsEmpty() || alphaByte == 0) return;
  cairo_surface_t* surface = WrapBitmap(image);
  const double alpha = alphaByte / 255.0;
  // Corner margins never exceed half of either rectangle, so the grid stays ordered.
  const int l = std::clamp(corner.left, 0, std::min(source.Width(), dest.Width()) / 2);
  const int r = std::clamp(corner.right, 0, std::min(source.Width(), dest.Width()) / 2);
  const int t = std::clamp(corner.top, 0, std::min(source.Height(), dest.Height()) / 2);
  const int b = std::clamp(corner.bottom, 0, std::min(source.Height(), dest.Height()) / 2);
  const int sx[4] = {source.left, source.left + l, source.right - r, source.right};
  const int sy[4] = {source.top, source.top + t, source.bottom - b, source.bottom};
  const int dx[4] = {dest.left, dest.left + l, dest.right - r, dest.right};
  const int dy[4] = {dest.top, dest.top + t, dest.bottom - b, dest.bottom};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      const bool centre = row == 1 && col == 1;
      if (centre && hole) continue;
      const bool tiled = (col == 1 && xtiled) || (row == 1 && ytiled);
      DrawPart(surface, {sx[col], sy[row], sx[col + 1], sy[row + 1]}, {dx[col], dy[row], dx[col + 1], dy[row + 1]},
               alpha, tiled);
    }
  }
  cairo_surface_destroy(surface);
}

void CairoCanvas::DrawText(std::wstring_view text, const Rect& rect, const FontInfo& font, uint32_t color,
                           uint32_t style) {
  if (text.empty() || rect.IsEmpty() || (color >> 24) == 0) return;
  PangoLayout* layout = pango_cairo_create_layout(cr_);
  ConfigureTextLayout(layout, text, font, style, rect.Width());
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  // With a layout width pango aligns inside it; without, the box is aligned here.
  const bool boxed = pango_layout_get_width(layout) > 0;
  double x = rect.left;
  if (!boxed) {
    if (style & DT_CENTER) x = rect.left + (rect.Width() - w) / 2.0;
    else if (style & DT_RIGHT) x = rect.right - w;
  }
  double y = rect.top;
  if (style & DT_VCENTER) y = rect.top + (rect.Height() - h) / 2.0;
  else if (style & DT_BOTTOM) y = rect.bottom - h;
  cairo_save(cr_);
  cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_clip(cr_);
  SetColor(cr_, color);
  cairo_move_to(cr_, std::floor(x), std::floor(y));
  pango_cairo_show_layout(cr_, layout);
  cairo_restore(cr_);
  g_object_unref(layout);
}

}  // namespace SkinUI
