#pragma once
// The skin archive the program carries, and small readers for what is inside it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace SkinTest {

// The bytes of resource ("ZIPRES", 147); empty when the program has no skin linked.
std::string_view EmbeddedArchive();

struct PngHeader {
  uint32_t width;
  uint32_t height;
  int colourType;  // 6: true colour with alpha
};
// The IHDR fields of a PNG file, or nothing when `bytes` is not a PNG.
std::optional<PngHeader> ReadPngHeader(std::string_view bytes);

}  // namespace SkinTest
