#pragma once
// An image attribute of a layout: either a bare file name ("res\mainWnd\bg1.png") or a list of
// options in single quotes: file='x.png' dest='l,t,r,b' source='l,t,r,b' corner='l,t,r,b'
// fade='0..255' hole='true' xtiled='true' ytiled='true'.
//   dest    where the image goes, relative to the control's top-left corner (default: the whole control)
//   source  the part of the image file to draw (default: all of it)
//   corner  the nine-grid margins kept unscaled (default: none, the image is stretched)
//   fade    constant opacity; hole skips the centre of a nine-grid; xtiled/ytiled repeat the centre

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/framework/geometry.h"

namespace SkinUI {

struct ImageAttribute {
  std::wstring file;
  std::optional<Rect> dest;
  std::optional<Rect> source;
  Rect corner;
  uint8_t fade = 255;
  bool hole = false;
  bool xtiled = false;
  bool ytiled = false;

  bool operator==(const ImageAttribute&) const = default;
};

// Parses an attribute value; unknown option names are ignored, an empty value gives an empty file.
ImageAttribute ParseImageAttribute(std::wstring_view value);

}  // namespace SkinUI
