// Draws every image of the skin into a folder laid out as the package is:
//   qv_skin_images <output folder>
// Exit status 0 when every image was written, 1 otherwise (the message says which and why).

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "ui/skin/generator/skin_images.h"

namespace {

int DrawAll(const std::filesystem::path& root) {
  try {
    for (const SkinImages::SkinImage& image : SkinImages::Catalogue()) {
      const std::filesystem::path target = root / image.path;
      std::error_code ec;
      std::filesystem::create_directories(target.parent_path(), ec);
      if (ec) {
        std::fprintf(stderr, "cannot create %s: %s\n", target.parent_path().c_str(), ec.message().c_str());
        return 1;
      }
      SkinImages::Canvas canvas(image.width, image.height);
      image.draw(canvas);
      if (!canvas.WritePng(target.string())) return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skin images: %s\n", e.what());
    return 1;
  }
  return 0;
}

// Gives back the font and drawing caches the libraries keep for the process, so a leak checker
// sees only what this program itself forgot.
void ReleaseLibraryCaches() {
  pango_cairo_font_map_set_default(nullptr);
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 1;
  }
  const int status = DrawAll(argv[1]);
  ReleaseLibraryCaches();
  return status;
}
