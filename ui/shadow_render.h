#pragma once
// The drop shadow's alpha bitmap, computed from the owner's shape: the shape grown by `size`,
// eroded and then blurred by a round kernel at its border, filled with the shadow colour, and
// cut out where the owner itself lies over it. A pure function, so it is tested pixel by pixel.

#include <cstdint>
#include <vector>

#include "ui/framework/window_region.h"

namespace SkinUI {

struct ShadowParameters {
  int size = 0;           // -20..20: growth beyond the owner on each side
  int sharpness = 5;      // 0..20: width of the blurred border
  int darkness = 150;     // 0..255: alpha of the darkest part
  int xOffset = 5;        // -20..20: offset of the shadow's centre from the owner's
  int yOffset = 5;
  uint32_t color = 0;     // a Windows COLORREF: red in the low byte, then green, then blue
};

struct ShadowBitmap {
  int width = 0;
  int height = 0;
  // Premultiplied ARGB (alpha in the top byte), row 0 at the top.
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

// `owner` is the owner's window region; `ownerWidth` × `ownerHeight` its window size. An owner
// without a region (an empty one) casts no shadow: every pixel stays 0.
ShadowBitmap RenderShadow(const WindowRegion& owner, int ownerWidth, int ownerHeight, const ShadowParameters& p);

// The shadow colour at `alpha`, premultiplied, in the bitmap's pixel layout.
uint32_t PremultipliedShadowPixel(uint32_t colorref, int alpha);

}  // namespace SkinUI
