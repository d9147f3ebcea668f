#pragma once
// Shared by measurement and drawing so both lay text out the same way (internal to the framework).

#include <pango/pango.h>

#include <cstdint>
#include <string_view>

#include "ui/framework/font.h"

namespace SkinUI {

// Sets text, font and wrapping of `layout` for the DT_* flags in `style`; `width` is the box the
// text must fit (0 or less: unbounded).
void ConfigureTextLayout(PangoLayout* layout, std::wstring_view text, const FontInfo& font, uint32_t style,
                         int width);

}  // namespace SkinUI
