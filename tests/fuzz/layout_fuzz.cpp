// The layout builder on arbitrary XML with arbitrary attribute values, on the display-free host:
// build the tree, lay it out at the size the layout asks for (within a screen's reach), paint it
// and hit-test it. The layout's images come from a folder holding two small PNG files.
//
// Property: a layout the builder refuses leaves the paint manager without a tree.

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/file.h"
#include "tests/fuzz/fuzz_check.h"
#include "ui/framework/bitmap.h"
#include "ui/framework/cairo_canvas.h"
#include "ui/framework/dialog_builder.h"
#include "ui/framework/font.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/resources.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLargestSide = 4096;
constexpr int kPaintedSide = 64;

// A folder with "grid.png" (6×6) and "fill.png" (40×10), removed when the process ends.
struct ImageFolder {
  ImageFolder() : dir(fs::temp_directory_path() / ("qv-layout-fuzz-" + std::to_string(::getpid()))) {
    fs::create_directories(dir);
    Platform::WriteFileAtomically(Platform::AnsiToWide((dir / "grid.png").string()),
                                  SkinUI::EncodePng(SkinUI::Bitmap(6, 6, 0xFFFF0000)));
    Platform::WriteFileAtomically(Platform::AnsiToWide((dir / "fill.png").string()),
                                  SkinUI::EncodePng(SkinUI::Bitmap(40, 10, 0x80FFFF00)));
  }
  ~ImageFolder() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  fs::path dir;
};

int Clamped(int side) { return std::clamp(side, 0, kLargestSide); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SkinUI::HeadlessHost host;
  static const ImageFolder images;
  // The text caches of pango, cairo and fontconfig go back at exit, so the leak checker sees
  // only what the framework itself keeps.
  static const int released = std::atexit(SkinUI::ReleaseFontCaches);
  (void)released;

  SkinUI::PaintManager manager;
  manager.SetResourceSource({SkinUI::UILIB_FILE, Platform::AnsiToWide(images.dir.string())});
  SkinUI::DialogBuilder builder;
  SkinUI::CControlUI* root =
      builder.CreateFromText(std::string_view(reinterpret_cast<const char*>(data), size), nullptr, &manager);
  if (root == nullptr) {
    FUZZ_CHECK(manager.GetRoot() == nullptr);
    return 0;
  }
  manager.AttachDialog(root);
  const SkinUI::Size asked = manager.GetInitSize();
  manager.SetClientSize({Clamped(asked.cx), Clamped(asked.cy)});
  manager.UpdateLayout();

  SkinUI::Bitmap target(kPaintedSide, kPaintedSide);
  {
    SkinUI::CairoCanvas canvas(target);
    manager.Paint(canvas, {0, 0, kPaintedSide, kPaintedSide});
  }
  for (const SkinUI::Point point : {SkinUI::Point{1, 1}, SkinUI::Point{kPaintedSide / 2, kPaintedSide / 3}})
    (void)manager.FindControl(point);
  SkinUI::Resources::ClearImageCache();
  return 0;
}
