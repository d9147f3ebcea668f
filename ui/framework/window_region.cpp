#include "ui/framework/window_region.h"

#include <cmath>

namespace SkinUI {

WindowRegion WindowRegion::Rectangle(int w, int h) {
  WindowRegion r;
  if (w <= 0 || h <= 0) return r;
  r.width_ = w;
  r.rows_.assign(static_cast<size_t>(h), {0, w});
  return r;
}

WindowRegion WindowRegion::RoundRect(int w, int h, Size corner) {
  WindowRegion r = Rectangle(w, h);
  // An ellipse narrower than two pixels in either direction cuts nothing off.
  if (r.IsEmpty() || corner.cx < 2 || corner.cy < 2) return r;
  const double rx = std::min(corner.cx, w) / 2.0, ry = std::min(corner.cy, h) / 2.0;
  for (int y = 0; y < h; ++y) {
    // Distance of the pixel row's centre from the corner ellipses' centre line.
    const double cy = y + 0.5;
    double dy = 0;
    if (cy < ry) dy = ry - cy;
    else if (cy > h - ry) dy = cy - (h - ry);
    if (dy <= 0) continue;
    const double dx = rx * std::sqrt(std::max(0.0, 1.0 - (dy * dy) / (ry * ry)));
    const int inset = static_cast<int>(std::lround(rx - dx));
    r.rows_[static_cast<size_t>(y)] = {inset, w - inset};
  }
  return r;
}

bool WindowRegion::Contains(int x, int y) const {
  if (y < 0 || y >= Height()) return false;
  const auto [start, end] = rows_[static_cast<size_t>(y)];
  return x >= start && x < end;
}

}  // namespace SkinUI
