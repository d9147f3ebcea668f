#pragma once
// A drawing surface for one skin image and the few shapes the skin is made of.

#include <cairo.h>

#include <string>

#include "ui/skin/generator/palette.h"

namespace SkinImages {

// An ARGB image of a fixed size with its drawing context; written out as PNG with alpha.
class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return cr_; }
  cairo_surface_t* surface() const { return surface_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // Writes the PNG; false with a message on standard error when it cannot.
  bool WritePng(const std::string& path) const;

 private:
  int width_;
  int height_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

void SetColour(cairo_t* cr, const Rgba& c);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);
// A top-to-bottom gradient as the current source.
void SetVerticalGradient(cairo_t* cr, double y0, double y1, const Rgba& top, const Rgba& bottom);

enum class Align { kLeft, kCenter };

struct TextStyle {
  double pixelSize = 14;
  bool bold = false;
  Rgba colour = Palette::kInk;
  Align align = Align::kCenter;
};

// Draws `utf8` centred vertically in the box (x, y, w, h) in the skin's CJK face. A character no
// installed face can show throws, so a missing font fails the build instead of shipping empty
// boxes in the captions.
void DrawText(cairo_t* cr, const std::string& utf8, double x, double y, double w, double h, const TextStyle& style);
// The width `utf8` takes when drawn in `style`, in pixels.
double TextWidth(cairo_t* cr, const std::string& utf8, const TextStyle& style);

}  // namespace SkinImages
