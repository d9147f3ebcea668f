#pragma once
// The canvas on cairo (shapes, images) and pango (text). Both hosts draw through it: the GTK host
// on the cairo context of a window, the headless host on a bitmap.

#include <memory>

#include "ui/framework/canvas.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace SkinUI {

class CairoCanvas : public Canvas {
 public:
  // Draws on `cr`, which the caller keeps alive.
  explicit CairoCanvas(cairo_t* cr);
  // Draws on `target`, which must outlive the canvas and keep its size.
  explicit CairoCanvas(Bitmap& target);
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  void Save() override;
  void Restore() override;
  void ClipRect(const Rect& rect) override;
  void FillRect(const Rect& rect, uint32_t color, Size radius = {}) override;
  void StrokeRect(const Rect& rect, uint32_t color, int width, Size radius = {}) override;
  void DrawBitmap(const Bitmap& image, const Rect& dest, const Rect& source, const Rect& corner, uint8_t alpha,
                  bool hole, bool xtiled, bool ytiled) override;
  void DrawText(std::wstring_view text, const Rect& rect, const FontInfo& font, uint32_t color,
                uint32_t style) override;

  // Makes everything drawn so far visible in the target bitmap.
  void Flush();

 private:
  void DrawPart(cairo_surface_t* image, const Rect& from, const Rect& to, double alpha, bool tiled);

  cairo_surface_t* ownSurface_ = nullptr;
  cairo_t* cr_ = nullptr;
  bool ownContext_ = false;
};

}  // namespace SkinUI
