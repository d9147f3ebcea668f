#include "tests/ui_skin/skin_archive.h"

#include "platform/resource.h"

namespace SkinTest {

std::string_view EmbeddedArchive() {
  const auto resource = Platform::FindModuleResource(L"ZIPRES", 147);
  if (!resource) return {};
  return std::string_view(static_cast<const char*>(resource->first), resource->second);
}

namespace {
uint32_t BigEndian32(std::string_view b, size_t at) {
  return (uint32_t{static_cast<unsigned char>(b[at])} << 24) | (uint32_t{static_cast<unsigned char>(b[at + 1])} << 16) |
         (uint32_t{static_cast<unsigned char>(b[at + 2])} << 8) | uint32_t{static_cast<unsigned char>(b[at + 3])};
}
}  // namespace

std::optional<PngHeader> ReadPngHeader(std::string_view bytes) {
  constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
  if (bytes.size() < 33 || bytes.substr(0, 8) != kSignature || bytes.substr(12, 4) != "IHDR") return std::nullopt;
  return PngHeader{BigEndian32(bytes, 16), BigEndian32(bytes, 20), static_cast<unsigned char>(bytes[25])};
}

}  // namespace SkinTest
