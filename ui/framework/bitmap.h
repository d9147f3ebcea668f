#pragma once
// A picture in memory: 32-bit premultiplied ARGB pixels (alpha in the top byte), rows top-down,
// no padding between rows. Decoded images, rendered windows and animation frames all use it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SkinUI {

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  Bitmap() = default;
  Bitmap(int w, int h, uint32_t fill = 0)
      : width(w > 0 ? w : 0), height(h > 0 ? h : 0), pixels(static_cast<size_t>(width) * height, fill) {}
  bool Empty() const { return width == 0 || height == 0; }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The largest picture a PNG in the skin may decode to; bigger headers are refused before any
// allocation (a layout image is a few hundred pixels wide).
inline constexpr int kMaxImageSide = 8192;

// PNG bytes to a bitmap; nothing for bytes that are not a readable PNG.
std::optional<Bitmap> DecodePng(std::string_view bytes);
// The bitmap as PNG bytes (straight alpha, as PNG stores it).
std::string EncodePng(const Bitmap& bitmap);

// Channel values of one premultiplied pixel.
inline uint8_t AlphaOf(uint32_t p) { return static_cast<uint8_t>(p >> 24); }
inline uint8_t RedOf(uint32_t p) { return static_cast<uint8_t>(p >> 16); }
inline uint8_t GreenOf(uint32_t p) { return static_cast<uint8_t>(p >> 8); }
inline uint8_t BlueOf(uint32_t p) { return static_cast<uint8_t>(p); }

}  // namespace SkinUI
