#include "ui/framework/font.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "platform/codepage.h"
#include "ui/framework/messages.h"
#include "ui/framework/pango_text.h"

namespace SkinUI {
namespace {

// The faces the layouts name, mapped onto the CJK face installed with the application's packages.
constexpr char kFaceAliases[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <match target="pattern">
    <test name="family"><string>微软雅黑</string></test>
    <edit name="family" mode="assign" binding="strong"><string>WenQuanYi Micro Hei</string></edit>
  </match>
  <match target="pattern">
    <test name="family" ignore-blanks="true"><string>Microsoft YaHei</string></test>
    <edit name="family" mode="assign" binding="strong"><string>WenQuanYi Micro Hei</string></edit>
  </match>
</fontconfig>
)";

// Pango counts in 1/PANGO_SCALE pixels in an int. A layout may ask for any font size or box width;
// beyond these the count would overflow, and no window shows a taller font or a wider text box.
constexpr int kLargestFontPixels = 1024;
constexpr int kLargestTextWidth = 1 << 20;

PangoFontDescription* CreateDescription(const FontInfo& font) {
  PangoFontDescription* desc = pango_font_description_new();
  const std::string face = Platform::WideToUtf8(font.face);
  pango_font_description_set_family(desc, face.empty() ? "sans-serif" : face.c_str());
  const int pixels = font.size > 0 ? std::min(font.size, kLargestFontPixels) : 12;
  pango_font_description_set_absolute_size(desc, pixels * PANGO_SCALE);
  pango_font_description_set_weight(desc, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return desc;
}

// A context for measuring outside of painting; UI thread only, like all text layout.
PangoContext* g_measuringContext = nullptr;

// Set once fontconfig has been started here; nothing to release before.
std::atomic<bool> g_fontsStarted{false};

PangoContext* MeasuringContext() {
  if (!g_measuringContext) {
    InitializeFonts();
    g_measuringContext = pango_font_map_create_context(pango_cairo_font_map_get_default());
  }
  return g_measuringContext;
}

}  // namespace

void InitializeFonts() {
  static std::once_flag once;
  std::call_once(once, [] {
    FcInit();
    FcConfig* config = FcConfigGetCurrent();
    FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kFaceAliases), FcTrue);
    g_fontsStarted = true;
  });
}

void ReleaseFontCaches() {
  // A program that never drew text (one that stopped at its usage line) has no caches. Asking for
  // the font map here would create one, and with it pango's own fontconfig start-up on a thread
  // that the reset below would pull fontconfig away from.
  if (!g_fontsStarted) return;
  if (g_measuringContext) g_object_unref(g_measuringContext);
  g_measuringContext = nullptr;
  // Pango matches fonts on short-lived threads of its own that hold the font map for a while. The
  // map must be finalised on this thread, with its fonts, before cairo's font tables are reset:
  // reset while a worker still drops the last reference and cairo aborts on a live entry. So
  // keep a reference, wait until it is the only one, and drop it here.
  PangoFontMap* map = pango_cairo_font_map_get_default();
  g_object_ref(map);
  pango_cairo_font_map_set_default(nullptr);
  for (int waited = 0; g_atomic_int_get(&G_OBJECT(map)->ref_count) > 1; ++waited) {
    if (waited == 5000) {  // a worker that never lets go: leave the caches rather than crash
      g_object_unref(map);
      return;
    }
    g_usleep(1000);
  }
  g_object_unref(map);
  cairo_debug_reset_static_data();
  FcFini();
}

void ConfigureTextLayout(PangoLayout* layout, std::wstring_view text, const FontInfo& font, uint32_t style,
                         int width) {
  const std::string utf8 = Platform::WideToUtf8(text);
  pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
  PangoFontDescription* desc = CreateDescription(font);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);

  PangoAttrList* attrs = pango_attr_list_new();
  if (font.underline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  pango_layout_set_attributes(layout, attrs);
  pango_attr_list_unref(attrs);

  const bool singleLine = (style & DT_SINGLELINE) != 0;
  pango_layout_set_single_paragraph_mode(layout, singleLine);
  if (width > 0 && (style & (DT_WORDBREAK | DT_END_ELLIPSIS)) != 0) {
    pango_layout_set_width(layout, std::min(width, kLargestTextWidth) * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  } else {
    pango_layout_set_width(layout, -1);
  }
  // An ellipsis keeps a single line inside its box; wrapped text keeps wrapping.
  pango_layout_set_ellipsize(layout, (style & DT_END_ELLIPSIS) && !(style & DT_WORDBREAK) ? PANGO_ELLIPSIZE_END
                                                                                          : PANGO_ELLIPSIZE_NONE);
  PangoAlignment alignment = PANGO_ALIGN_LEFT;
  if (style & DT_CENTER) alignment = PANGO_ALIGN_CENTER;
  else if (style & DT_RIGHT) alignment = PANGO_ALIGN_RIGHT;
  pango_layout_set_alignment(layout, alignment);
}

Size MeasureText(std::wstring_view text, const FontInfo& font, uint32_t style, int maxWidth) {
  PangoLayout* layout = pango_layout_new(MeasuringContext());
  ConfigureTextLayout(layout, text, font, style & ~DT_END_ELLIPSIS, (style & DT_WORDBREAK) ? maxWidth : 0);
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  g_object_unref(layout);
  return {w, h};
}

std::wstring ResolvedFamily(const FontInfo& font) {
  PangoFontDescription* desc = CreateDescription(font);
  PangoFont* loaded = pango_font_map_load_font(pango_cairo_font_map_get_default(), MeasuringContext(), desc);
  pango_font_description_free(desc);
  if (!loaded) return {};
  PangoFontDescription* actual = pango_font_describe(loaded);
  const char* family = pango_font_description_get_family(actual);
  std::wstring out = family ? Platform::Utf8ToWide(family) : std::wstring();
  pango_font_description_free(actual);
  g_object_unref(loaded);
  return out;
}

}  // namespace SkinUI
