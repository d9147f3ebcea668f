#pragma once
// Fonts of the layouts and text measurement. A face is looked up through fontconfig; the
// layouts' face "微软雅黑" (Microsoft YaHei) is aliased to WenQuanYi Micro Hei, which carries the
// same CJK coverage and is shipped with the build's set of packages.

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/framework/geometry.h"

namespace SkinUI {

struct FontInfo {
  std::wstring face;
  int size = 12;  // pixels (the layouts' font sizes are character heights in pixels)
  bool bold = false;
  bool underline = false;
  bool italic = false;
  bool operator==(const FontInfo&) const = default;
};

// Adds the face aliases to the process's fontconfig configuration. Runs once; every text function
// calls it, and hosts call it before the toolkit opens its own font map.
void InitializeFonts();

// The size `text` takes when drawn with `font` and the DT_* flags in `style`; with DT_WORDBREAK
// lines wrap at `maxWidth` (ignored when 0 or less).
Size MeasureText(std::wstring_view text, const FontInfo& font, uint32_t style, int maxWidth = 0);

// Gives back the text caches of pango, cairo and fontconfig, for programs that end with a leak
// check (tests, tools). Nothing of the framework may draw or measure text afterwards, and no
// cairo object may still exist (a GTK program must not call it).
void ReleaseFontCaches();

// The family fontconfig picks for `font` (tests check the alias with it).
std::wstring ResolvedFamily(const FontInfo& font);

}  // namespace SkinUI
