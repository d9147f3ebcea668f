#include "ui/skin/generator/png_writer.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace SkinImages {
namespace {

void PutBigEndian(std::string& out, uint32_t v) {
  const char bytes[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                         static_cast<char>(v)};
  out.append(bytes, 4);
}

void PutChunk(std::string& out, const char type[5], const std::string& data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.append(type, 4);
  out += data;
  const auto* crcFrom = reinterpret_cast<const Bytef*>(out.data() + typeAt);
  PutBigEndian(out, static_cast<uint32_t>(crc32(0, crcFrom, static_cast<uInt>(out.size() - typeAt))));
}

// Straight (not premultiplied) RGBA rows; fully transparent pixels become all zero.
std::vector<unsigned char> StraightRgba(const unsigned char* pixels, int width, int height, int stride) {
  std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t argb;
      std::memcpy(&argb, pixels + static_cast<size_t>(y) * stride + x * 4, 4);
      const uint32_t a = argb >> 24;
      unsigned char* out = &rgba[(static_cast<size_t>(y) * width + x) * 4];
      for (int ch = 0; ch < 3; ++ch) {
        const uint32_t c = (argb >> (16 - 8 * ch)) & 0xFF;
        out[ch] = a == 0 ? 0 : static_cast<unsigned char>(std::min<uint32_t>(255, (c * 255 + a / 2) / a));
      }
      out[3] = static_cast<unsigned char>(a);
    }
  }
  return rgba;
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

// Filters one row with filter `type` (0 none, 1 sub, 2 up, 3 average, 4 Paeth).
void FilterRow(int type, const unsigned char* row, const unsigned char* above, size_t bytes, unsigned char* out) {
  constexpr size_t kPixel = 4;
  for (size_t i = 0; i < bytes; ++i) {
    const int a = i >= kPixel ? row[i - kPixel] : 0;
    const int b = above ? above[i] : 0;
    const int c = (above && i >= kPixel) ? above[i - kPixel] : 0;
    int predicted = 0;
    switch (type) {
      case 1: predicted = a; break;
      case 2: predicted = b; break;
      case 3: predicted = (a + b) / 2; break;
      case 4: predicted = Paeth(a, b, c); break;
      default: break;
    }
    out[i] = static_cast<unsigned char>(row[i] - predicted);
  }
}

constexpr int kAdaptive = -1;

// Scanlines with filter `choice` on every row, or with kAdaptive the usual heuristic: per row the
// filter whose output has the smallest sum of magnitudes.
std::vector<unsigned char> FilteredScanlines(const std::vector<unsigned char>& rgba, int width, int height, int choice) {
  const size_t bytes = static_cast<size_t>(width) * 4;
  std::vector<unsigned char> out;
  out.reserve((bytes + 1) * height);
  std::vector<unsigned char> candidate(bytes), best(bytes);
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = &rgba[y * bytes];
    const unsigned char* above = y > 0 ? &rgba[(y - 1) * bytes] : nullptr;
    uint64_t bestCost = UINT64_MAX;
    int bestType = 0;
    for (int type = 0; type < 5; ++type) {
      if (choice != kAdaptive && type != choice) continue;
      FilterRow(type, row, above, bytes, candidate.data());
      uint64_t cost = 0;
      for (unsigned char v : candidate) cost += v < 128 ? v : 256 - v;
      if (cost < bestCost) {
        bestCost = cost;
        bestType = type;
        best.swap(candidate);
      }
    }
    out.push_back(static_cast<unsigned char>(bestType));
    out.insert(out.end(), best.begin(), best.end());
  }
  return out;
}

std::string Deflate(const std::vector<unsigned char>& data, int strategy) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, 15, 9, strategy) != Z_OK) throw std::runtime_error("deflateInit2 failed");
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
  return out;
}

}  // namespace

std::string EncodePng(const unsigned char* pixels, int width, int height, int stride) {
  // Neither choice wins for every image (flat shapes with transparent surroundings usually pack
  // best unfiltered, gradients with filters), so both are tried and the smaller stream kept.
  const std::vector<unsigned char> rgba = StraightRgba(pixels, width, height, stride);
  std::string idat;
  for (int choice : {kAdaptive, 0}) {
    const std::vector<unsigned char> scanlines = FilteredScanlines(rgba, width, height, choice);
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED}) {
      std::string candidate = Deflate(scanlines, strategy);
      if (idat.empty() || candidate.size() < idat.size()) idat.swap(candidate);
    }
  }

  std::string header;
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, adaptive filters, no interlace

  std::string png("\x89PNG\r\n\x1a\n", 8);
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", idat);
  PutChunk(png, "IEND", "");
  return png;
}

}  // namespace SkinImages
