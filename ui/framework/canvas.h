#pragma once
// The one drawing interface of the framework. Controls draw through it and know nothing of the
// surface behind it (a window of the GTK host, a bitmap of the headless host). Coordinates are
// the window's client pixels. Save/Restore nest; CanvasState restores on scope exit.

#include <cstdint>
#include <string_view>

#include "ui/framework/bitmap.h"
#include "ui/framework/font.h"
#include "ui/framework/geometry.h"

namespace SkinUI {

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual void Save() = 0;
  virtual void Restore() = 0;
  // Narrows the drawing area to `rect` until the matching Restore.
  virtual void ClipRect(const Rect& rect) = 0;

  // Colours are 0xAARRGGBB, straight (not premultiplied) alpha. `radius` rounds the corners.
  virtual void FillRect(const Rect& rect, uint32_t color, Size radius = {}) = 0;
  virtual void StrokeRect(const Rect& rect, uint32_t color, int width, Size radius = {}) = 0;

  // Draws `source` of `image` into `dest` as a nine-grid: the `corner` margins (in image pixels)
  // keep their size, the edges stretch along one axis and the centre along both (or repeats when
  // tiled; left empty with `hole`). `alpha` is a constant opacity on top of the image's own.
  virtual void DrawBitmap(const Bitmap& image, const Rect& dest, const Rect& source, const Rect& corner,
                          uint8_t alpha, bool hole, bool xtiled, bool ytiled) = 0;

  // Draws `text` inside `rect` with the DT_* flags of `style` (alignment, single or wrapped
  // lines, end ellipsis); text outside `rect` is clipped.
  virtual void DrawText(std::wstring_view text, const Rect& rect, const FontInfo& font, uint32_t color,
                        uint32_t style) = 0;
};

class CanvasState {
 public:
  explicit CanvasState(Canvas& canvas) : canvas_(canvas) { canvas_.Save(); }
  ~CanvasState() { canvas_.Restore(); }
  CanvasState(const CanvasState&) = delete;
  CanvasState& operator=(const CanvasState&) = delete;

 private:
  Canvas& canvas_;
};

}  // namespace SkinUI
