#pragma once
// The shape of a window: for every row the run of pixels inside it. A window with a
// "roundcorner" attribute gets a rounded rectangle (the Win32 round-rect region: corner ellipses
// of the given width and height); the hosts cut the native window to it and the headless host
// leaves the pixels outside transparent.

#include <utility>
#include <vector>

#include "ui/framework/geometry.h"

namespace SkinUI {

class WindowRegion {
 public:
  WindowRegion() = default;
  // The whole w×h rectangle.
  static WindowRegion Rectangle(int w, int h);
  // A w×h rectangle whose corners are cut by ellipses of corner.cx × corner.cy pixels.
  static WindowRegion RoundRect(int w, int h, Size corner);

  int Width() const { return width_; }
  int Height() const { return static_cast<int>(rows_.size()); }
  bool IsEmpty() const { return rows_.empty(); }
  bool Contains(int x, int y) const;
  // [start, end) of row y; start >= end for a row with nothing inside.
  std::pair<int, int> Row(int y) const { return rows_[static_cast<size_t>(y)]; }

 private:
  int width_ = 0;
  std::vector<std::pair<int, int>> rows_;
};

}  // namespace SkinUI
