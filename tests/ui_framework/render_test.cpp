// What a window shows: known pixels of a rendered fixture, the face alias, text measurement.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/ui_framework/fixture_window.h"
#include "ui/framework/cairo_canvas.h"
#include "ui/framework/font.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/label.h"
#include "ui/framework/progress.h"

namespace SkinUI {
namespace {

using SkinUITest::FixtureWindow;

uint32_t Opaque(uint32_t rgb) { return 0xFF000000u | rgb; }

TEST(Render, NineGridUnstretchedFillTextAndRoundCorners) {
  HeadlessHost host;
  FixtureWindow w(L"paint.xml");
  ASSERT_TRUE(w.Open());
  const Bitmap shown = host.Render(w);
  ASSERT_EQ(shown.width, 40);
  ASSERT_EQ(shown.height, 30);

  struct Case { int x, y; uint32_t color; const char* why; } cases[] = {
      {20, 1, Opaque(0xFF0000), "top edge of the nine-grid"},
      {20, 9, Opaque(0xFF0000), "bottom edge of the nine-grid"},
      {1, 5, Opaque(0xFF0000), "left edge of the nine-grid"},
      {5, 5, Opaque(0xFFFFFF), "the centre starts after the 2-pixel corner; stretched it would be red"},
      {35, 5, Opaque(0xFFFFFF), "centre near the right corner"},
      {15, 15, Opaque(0xFFFF00), "the fill shows the image's left part unscaled; stretched it would be magenta"},
      {30, 15, Opaque(0x00FF00), "the unfilled part shows the bar's background"},
      {0, 0, 0, "outside the round corner"},
      {39, 29, 0, "outside the round corner"},
      {2, 25, Opaque(0x0000FF), "the root's background"},
  };
  for (const auto& c : cases) EXPECT_EQ(shown.At(c.x, c.y), c.color) << c.why << " at " << c.x << "," << c.y;

  // The label's white glyph leaves light pixels on the blue background.
  int light = 0;
  for (int y = 20; y < 30; ++y)
    for (int x = 10; x < 30; ++x) light += GreenOf(shown.At(x, y)) > 0x80;
  EXPECT_GT(light, 3);
  EXPECT_EQ(host.RenderCount(w), 1);
  EXPECT_FALSE(host.NeedsRepaint(w));

  w.Find<CProgressUI>(L"prg")->SetValue(100);
  EXPECT_TRUE(host.NeedsRepaint(w));
  EXPECT_EQ(host.Render(w).At(30, 15), Opaque(0xFF00FF)) << "a full bar shows the whole image";
}

TEST(Render, LayoutFaceResolvesToTheBundledCjkFace) {
  InitializeFonts();
  EXPECT_EQ(ResolvedFamily({L"微软雅黑", 14}), L"WenQuanYi Micro Hei");
  EXPECT_EQ(ResolvedFamily({L"Microsoft YaHei", 14}), L"WenQuanYi Micro Hei");
}

TEST(Render, TextMeasurementFollowsFontAndStyle) {
  const FontInfo font{L"微软雅黑", 14};
  const Size one = MeasureText(L"安装", font, DT_SINGLELINE);
  const Size two = MeasureText(L"安装安装", font, DT_SINGLELINE);
  EXPECT_GE(one.cx, 24);
  EXPECT_LE(one.cx, 32);
  EXPECT_NEAR(two.cx, 2 * one.cx, 2);
  EXPECT_GT(MeasureText(L"安装", {L"微软雅黑", 28}, DT_SINGLELINE).cx, one.cx + 20);
  // Wrapped at a narrow width, the text takes more lines; "\r\n" breaks a line.
  EXPECT_GT(MeasureText(L"检测到计算机中已存在此软件", font, DT_WORDBREAK, 60).cy, 2 * one.cy);
  EXPECT_GE(MeasureText(L"安装程序\r\n正在运行", font, DT_WORDBREAK, 300).cy, 2 * one.cy - 2);
  EXPECT_EQ(MeasureText(L"", font, DT_SINGLELINE).cx, 0);
}

TEST(Render, EllipsisKeepsALongLineInsideItsBox) {
  Bitmap narrow(40, 20), wide(40, 20);
  {
    CairoCanvas a(narrow), b(wide);
    const FontInfo font{L"微软雅黑", 14};
    a.DrawText(L"很长很长很长很长", {0, 0, 20, 20}, font, 0xFF000000, DT_SINGLELINE | DT_END_ELLIPSIS);
    b.DrawText(L"很长很长很长很长", {0, 0, 40, 20}, font, 0xFF000000, DT_SINGLELINE);
  }
  for (int y = 0; y < 20; ++y)
    for (int x = 20; x < 40; ++x) ASSERT_EQ(narrow.At(x, y), 0u) << "drawn outside its box at " << x;
  int inked = 0;
  for (uint32_t p : wide.pixels) inked += p != 0;
  EXPECT_GT(inked, 20);
}

TEST(Render, PngRoundTripAndRefusedInput) {
  Bitmap b(3, 2, 0xFF102030);
  b.At(2, 1) = 0x80402010;  // half transparent, premultiplied
  const std::optional<Bitmap> back = DecodePng(EncodePng(b));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width, 3);
  EXPECT_EQ(back->At(0, 0), 0xFF102030u);
  EXPECT_EQ(AlphaOf(back->At(2, 1)), 0x80);

  std::string huge = EncodePng(b);
  huge[16] = huge[17] = '\x7f';  // claims a width of about two billion pixels
  struct Case { std::string bytes; const char* why; } cases[] = {
      {"", "empty"}, {"\x89PNG\r\n\x1a\n", "signature only"}, {huge, "size beyond any skin image"},
      {EncodePng(b).substr(0, 40), "cut short"}, {"GIF89a................................", "another format"}};
  for (const auto& c : cases) EXPECT_FALSE(DecodePng(c.bytes)) << c.why;
}

// A program that never drew text (a tool that stopped at its usage line) gives nothing back:
// asking pango for its font map there would start pango's fontconfig thread, only for the reset to
// pull fontconfig away under it (an occasional crash at exit).
TEST(RenderDeathTest, ReleasingFontsNeverUsedStartsNoThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, in which no test drew text
  const auto threads = [] {
    int n = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++n;
    return n;
  };
  EXPECT_EXIT(
      {
        const int before = threads();
        ReleaseFontCaches();
        std::exit(threads() == before ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace SkinUI
