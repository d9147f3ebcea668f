#include <cairo.h>

#include <cstring>

#include "ui/framework/bitmap.h"

namespace SkinUI {
namespace {

struct ReadCursor {
  std::string_view bytes;
  size_t pos = 0;
};

cairo_status_t ReadFromMemory(void* closure, unsigned char* data, unsigned int length) {
  auto* cursor = static_cast<ReadCursor*>(closure);
  if (cursor->bytes.size() - cursor->pos < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, cursor->bytes.data() + cursor->pos, length);
  cursor->pos += length;
  return CAIRO_STATUS_SUCCESS;
}

cairo_status_t WriteToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

uint32_t BigEndian32(std::string_view b, size_t at) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 8) | static_cast<uint8_t>(b[at + 3]);
}

// Checks the signature and the size in the header chunk before the decoder allocates anything.
bool HeaderAcceptable(std::string_view bytes) {
  static constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
  if (bytes.size() < 33 || bytes.substr(0, 8) != std::string_view(kSignature, 8)) return false;
  if (bytes.substr(12, 4) != "IHDR") return false;
  const uint32_t w = BigEndian32(bytes, 16), h = BigEndian32(bytes, 20);
  return w > 0 && h > 0 && w <= static_cast<uint32_t>(kMaxImageSide) && h <= static_cast<uint32_t>(kMaxImageSide);
}

}  // namespace

std::optional<Bitmap> DecodePng(std::string_view bytes) {
  if (!HeaderAcceptable(bytes)) return std::nullopt;
  ReadCursor cursor{bytes};
  cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(&ReadFromMemory, &cursor);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return std::nullopt;
  }
  cairo_surface_flush(surface);
  const int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const cairo_format_t format = cairo_image_surface_get_format(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  Bitmap out(w, h);
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      // Opaque images come back as RGB24, whose top byte is undefined.
      out.At(x, y) = format == CAIRO_FORMAT_ARGB32 ? row[x] : (row[x] | 0xFF000000u);
    }
  }
  cairo_surface_destroy(surface);
  return out;
}

std::string EncodePng(const Bitmap& bitmap) {
  std::string out;
  if (bitmap.Empty()) return out;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap.pixels.data())), CAIRO_FORMAT_ARGB32,
      bitmap.width, bitmap.height, bitmap.width * 4);
  cairo_surface_write_to_png_stream(surface, &WriteToString, &out);
  cairo_surface_destroy(surface);
  return out;
}

}  // namespace SkinUI
