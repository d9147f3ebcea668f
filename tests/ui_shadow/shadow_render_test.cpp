#include "ui/shadow_render.h"

#include <gtest/gtest.h>

namespace {

// The main window's shadow: size 6, sharpness 10, darkness 20, offset 1,1, colour 0x26003B76
// (red 0x76, green 0x3B, blue 0x00; the top byte is not a colour). Kernel radius 10, no solid
// ring, four erosion passes: the blurred border is stamped along the rectangle [10..41]x[10..31]
// of the 52x42 shadow, and the owner hides the shadow columns 5..44 of rows 5..34.
SkinUI::ShadowParameters MainWindowShadow() {
  SkinUI::ShadowParameters p;
  p.size = 6;
  p.sharpness = 10;
  p.darkness = 20;
  p.xOffset = 1;
  p.yOffset = 1;
  p.color = 0x26003B76;
  return p;
}

TEST(RenderShadow, MainWindowValuesHandChecked) {
  const SkinUI::ShadowBitmap shadow =
      SkinUI::RenderShadow(SkinUI::WindowRegion::Rectangle(40, 30), 40, 30, MainWindowShadow());
  ASSERT_EQ(shadow.width, 52);
  ASSERT_EQ(shadow.height, 42);
  // alpha = trunc((1 - d / 11) * 20) at distance d from the nearest stamped border pixel; the
  // colour channels are premultiplied by alpha with integer division.
  const struct {
    int x, y;
    uint32_t pixel;
    const char* why;
  } cases[] = {
      {0, 0, 0x00000000, "corner, 14.1 from the border: beyond the kernel"},
      {46, 20, 0x0A040200, "right of the owner, d 5: alpha 10"},
      {51, 20, 0x01000000, "right edge, d 10: alpha 1, channels round to 0"},
      {2, 20, 0x05020100, "left of the owner, d 8: alpha 5"},
      {20, 35, 0x0C050200, "just below the owner, d 4: alpha 12"},
      {20, 40, 0x03010000, "bottom, d 9: alpha 3"},
      {46, 36, 0x07030100, "lower right corner, d 7.07: alpha 7"},
      {20, 20, 0x00000000, "under the owner: transparent"},
      {5, 5, 0x00000000, "the owner's top left pixel: transparent"},
      {44, 34, 0x00000000, "the owner's bottom right pixel: transparent"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(shadow.At(c.x, c.y), c.pixel) << c.why << " at " << c.x << "," << c.y << std::hex
                                            << " got 0x" << shadow.At(c.x, c.y);
}

TEST(RenderShadow, PixelsArePremultipliedAndNeverBrighterThanTheirAlpha) {
  const SkinUI::ShadowBitmap shadow =
      SkinUI::RenderShadow(SkinUI::WindowRegion::RoundRect(60, 40, {8, 8}), 60, 40, MainWindowShadow());
  for (uint32_t pixel : shadow.pixels) {
    const uint32_t a = pixel >> 24;
    ASSERT_LE((pixel >> 16) & 0xFF, a);
    ASSERT_LE((pixel >> 8) & 0xFF, a);
    ASSERT_LE(pixel & 0xFF, a);
    ASSERT_LE(a, 20u);
  }
}

TEST(RenderShadow, SolidRingWhenTheShadowIsLargerThanItsBlur) {
  SkinUI::ShadowParameters p;
  p.size = 8;
  p.sharpness = 2;
  p.darkness = 200;
  p.xOffset = 0;
  p.yOffset = 0;
  p.color = 0x00FFFFFF;
  const SkinUI::ShadowBitmap shadow = SkinUI::RenderShadow(SkinUI::WindowRegion::Rectangle(20, 20), 20, 20, p);
  ASSERT_EQ(shadow.width, 36);
  // No erosion (sharpness < size); kernel radius 8 with a solid core of radius 6, stamped along
  // the grown rectangle [8..27]: 5 pixels left of it is still the full darkness, 7 pixels falls
  // in the blur: trunc((1 - 1/3) * 200) = 133.
  EXPECT_EQ(shadow.At(3, 18), 0xC8C8C8C8u);
  EXPECT_EQ(shadow.At(1, 18) >> 24, 133u);
  EXPECT_EQ(shadow.At(18, 18), 0u);  // under the owner
}

TEST(RenderShadow, OwnerWithoutRegionCastsNoShadow) {
  const SkinUI::ShadowBitmap shadow = SkinUI::RenderShadow(SkinUI::WindowRegion(), 40, 30, MainWindowShadow());
  ASSERT_EQ(shadow.pixels.size(), 52u * 42u);
  for (uint32_t pixel : shadow.pixels) ASSERT_EQ(pixel, 0u);
}

TEST(RenderShadow, NegativeSizeShrinksTheBitmapWithoutReadingOutsideIt) {
  SkinUI::ShadowParameters p = MainWindowShadow();
  p.size = -20;
  const SkinUI::ShadowBitmap small = SkinUI::RenderShadow(SkinUI::WindowRegion::Rectangle(30, 30), 30, 30, p);
  EXPECT_EQ(small.width, 0);
  const SkinUI::ShadowBitmap shrunk = SkinUI::RenderShadow(SkinUI::WindowRegion::Rectangle(50, 50), 50, 50, p);
  EXPECT_EQ(shrunk.width, 10);
  EXPECT_EQ(shrunk.pixels.size(), 100u);
}

}  // namespace
