#include "ui/shadow_render.h"

#include <algorithm>
#include <cmath>

namespace SkinUI {
namespace {

struct Run {
  int start;
  int end;  // exclusive; start >= end for an empty run
  bool IsEmpty() const { return start >= end; }
};

// First and one-past-last x inside the owner for every owner row; an empty row is (W0, 0).
std::vector<Run> OwnerRuns(const WindowRegion& owner, int w0, int h0) {
  std::vector<Run> runs(static_cast<size_t>(h0), Run{w0, 0});
  if (owner.IsEmpty()) return runs;
  for (int y = 0; y < h0 && y < owner.Height(); ++y) {
    int first = w0, last = -1;
    for (int x = 0; x < w0; ++x) {
      if (!owner.Contains(x, y)) continue;
      first = std::min(first, x);
      last = x;
    }
    if (last >= 0) runs[static_cast<size_t>(y)] = Run{first, last + 1};
  }
  return runs;
}

// The owner rows grown by `size`, padded by empty rows, then eroded (sharpness - size) times so
// the blurred border ends where the grown shape ends.
std::vector<Run> AnchorRows(const std::vector<Run>& ownerRuns, int w0, int h, const ShadowParameters& p) {
  const int h0 = static_cast<int>(ownerRuns.size());
  const int n = std::max(h0, h);
  std::vector<Run> rows(static_cast<size_t>(n) + 2, Run{w0, 0});
  for (int y = 0; y < h0; ++y) {
    const Run& o = ownerRuns[static_cast<size_t>(y)];
    rows[static_cast<size_t>(y + 1 + std::max(p.size, 0))] = Run{o.start + p.size, o.end + p.size};
  }
  for (int pass = 0; pass < p.sharpness - p.size; ++pass) {
    const std::vector<Run> previous = rows;
    for (int r = 1; r <= n; ++r) {
      const Run& a = previous[static_cast<size_t>(r - 1)];
      const Run& b = previous[static_cast<size_t>(r)];
      const Run& c = previous[static_cast<size_t>(r + 1)];
      rows[static_cast<size_t>(r)] = Run{1 + std::max({a.start, b.start, c.start}), std::min({a.end, b.end, c.end}) - 1};
    }
  }
  return rows;
}

}  // namespace

uint32_t PremultipliedShadowPixel(uint32_t colorref, int alpha) {
  const uint32_t a = static_cast<uint32_t>(alpha);
  const uint32_t red = colorref & 0xFF, green = (colorref >> 8) & 0xFF, blue = (colorref >> 16) & 0xFF;
  return a << 24 | (red * a / 255) << 16 | (green * a / 255) << 8 | (blue * a / 255);
}

ShadowBitmap RenderShadow(const WindowRegion& owner, int w0, int h0, const ShadowParameters& p) {
  ShadowBitmap bitmap;
  bitmap.width = std::max(0, w0 + 2 * p.size);
  bitmap.height = std::max(0, h0 + 2 * p.size);
  const int w = bitmap.width, h = bitmap.height;
  bitmap.pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  if (w == 0 || h == 0 || w0 <= 0 || h0 <= 0) return bitmap;

  const std::vector<Run> ownerRuns = OwnerRuns(owner, w0, h0);
  const std::vector<Run> anchors = AnchorRows(ownerRuns, w0, h, p);
  // Shadow row r holds the (eroded) run of owner row r - size.
  const int anchorShift = 1 + std::max(-p.size, 0);
  auto row = [&](int r) { return anchors[static_cast<size_t>(r + anchorShift)]; };
  auto set = [&](int x, int y, uint32_t value) {
    if (x >= 0 && x < w && y >= 0 && y < h) bitmap.pixels[static_cast<size_t>(y) * w + x] = value;
  };

  // The round kernel of the blurred border, solid out to C when the shadow is larger than its blur.
  const int k = std::max(p.size, p.sharpness);
  const int c = p.size > p.sharpness ? p.size - p.sharpness : 0;
  const int side = 2 * k + 1;
  std::vector<uint32_t> kernel(static_cast<size_t>(side) * side, 0);
  for (int j = -k; j <= k; ++j) {
    for (int i = -k; i <= k; ++i) {
      const double d = std::sqrt(static_cast<double>(i * i + j * j));
      int alpha = 0;
      if (d < c) alpha = p.darkness;
      else if (d <= k) alpha = static_cast<int>((1.0 - (d - c) / (p.sharpness + 1)) * p.darkness);
      kernel[static_cast<size_t>(j + k) * side + (i + k)] = PremultipliedShadowPixel(p.color, alpha);
    }
  }
  auto stamp = [&](int cx, int cy) {
    for (int j = -k; j <= k; ++j) {
      const int y = cy + j;
      if (y < 0 || y >= h) continue;
      for (int i = -k; i <= k; ++i) {
        const int x = cx + i;
        if (x < 0 || x >= w) continue;
        uint32_t& pixel = bitmap.pixels[static_cast<size_t>(y) * w + x];
        pixel = std::max(pixel, kernel[static_cast<size_t>(j + k) * side + (i + k)]);
      }
    }
  };

  // Blurred border: stamp the kernel along the left and right edges of every row, only where
  // the row reaches beyond its neighbours.
  for (int r = k; r <= h - k - 1; ++r) {
    const Run cur = row(r);
    if (cur.IsEmpty()) continue;
    const Run above = row(r - 1), below = row(r + 1);
    const int leftEnd = std::min(std::max(above.start, below.start) + 1, cur.end);
    for (int x = cur.start; x < leftEnd; ++x) stamp(x, r);
    for (int x = std::max(leftEnd, std::min(above.end, below.end) - 1); x < cur.end; ++x) stamp(x, r);
  }

  // Fill the inside with the full shadow, leaving transparent what lies under the owner.
  const uint32_t centre = PremultipliedShadowPixel(p.color, p.darkness);
  const int s = p.size - p.xOffset;
  const int firstRow = std::min(k, std::max(p.size - p.yOffset, 0));
  const int endRow = std::max(h - k, std::min(h0 + p.size - p.yOffset, h0 + 2 * p.size));
  for (int r = std::max(firstRow, 0); r < endRow && r < h; ++r) {
    const Run cur = row(r);
    const int y = r - p.size + p.yOffset;
    if (y < 0 || y >= h0) {
      for (int x = cur.start; x < cur.end; ++x) set(x, r, centre);
      continue;
    }
    const Run o = ownerRuns[static_cast<size_t>(y)];
    for (int x = cur.start; x < std::min(o.start + s, cur.end); ++x) set(x, r, centre);
    for (int x = std::max(o.start + s, 0); x < std::min(o.end + s, w); ++x) set(x, r, 0);
    for (int x = std::max(o.end + s, cur.start); x < cur.end; ++x) set(x, r, centre);
  }
  return bitmap;
}

}  // namespace SkinUI
