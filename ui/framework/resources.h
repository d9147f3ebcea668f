#pragma once
// Where layouts and images come from: plain files under the resource path, or the skin package
// (a 7z archive linked into the executable as resource "ZIPRES" 147) read from memory.
// Process-wide; used on the UI thread only.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ui/framework/bitmap.h"

namespace SkinUI {

// Resource kinds of a window (the Win32 framework numbering; the installer uses 4).
inline constexpr int UILIB_FILE = 1;
inline constexpr int UILIB_ZIPRESOURCE = 4;

// Where one window reads its files: plain files under `path`, or the package.
struct ResourceSource {
  int type = UILIB_FILE;
  std::wstring path;
};

class Resources {
 public:
  // The framework's resource path: the folder of the last window created (the executable's
  // folder followed by its skin folder), under which disk files such as
  // "res\mainWnd\installPrg3.png" are looked for. Default: the executable's folder.
  static void SetResourcePath(std::wstring_view path);
  static std::wstring GetResourcePath();
  // Plain files under the resource path.
  static ResourceSource DefaultSource();

  // Opens the package linked into the executable as resource (`type`, `id`). The first success
  // copies and opens the archive once per process; later calls only report that it is open.
  static bool LoadPackageResource(std::wstring_view type, int id);

  // The bytes of a layout or image file; either separator and, in the package, any letter case.
  static std::optional<std::string> ReadFile(const ResourceSource& source, std::wstring_view name);
  // A decoded image, shared and kept for the process; null when the file is missing or unreadable.
  static std::shared_ptr<const Bitmap> GetImage(const ResourceSource& source, std::wstring_view name);
  // Forgets decoded images (tests switch between fixture folders).
  static void ClearImageCache();
};

}  // namespace SkinUI
