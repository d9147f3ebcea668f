// Reading layout attribute values and window shapes: bad text gives a defined value, never a fault.

#include <gtest/gtest.h>

#include "ui/framework/attribute_values.h"
#include "ui/framework/image_attribute.h"
#include "ui/framework/window_region.h"

namespace SkinUI {
namespace {

TEST(AttributeValues, NumbersListsAndColours) {
  struct IntCase { const wchar_t* text; int expected; } ints[] = {
      {L"42", 42}, {L"  -7px", -7}, {L"+3", 3}, {L"abc", 0}, {L"", 0}, {L"99999999999", 2147483647},
      {L"-99999999999", -2147483647 - 1}};
  for (const auto& c : ints) EXPECT_EQ(ParseInt(c.text), c.expected) << c.text;
  EXPECT_EQ(ParseInt(L"x", 12), 12);

  struct RectCase { const wchar_t* text; Rect expected; } rects[] = {
      {L"1,2,3,4", {1, 2, 3, 4}}, {L"0,0,0,35", {0, 0, 0, 35}}, {L"9,0,9", {9, 0, 9, 0}},
      {L"5", {5, 0, 0, 0}}, {L"", {0, 0, 0, 0}}, {L"1 2 3 4", {1, 2, 3, 4}}, {L"-1,-2,x,4", {-1, -2, 0, 0}}};
  for (const auto& c : rects) EXPECT_EQ(ParseRect(c.text), c.expected) << c.text;

  struct ColourCase { const wchar_t* text; uint32_t expected; } colours[] = {
      {L"#FF1A1A1A", 0xFF1A1A1A}, {L"#26003B76", 0x26003B76}, {L"FF8991AF", 0xFF8991AF},
      {L"#00FFFFFF", 0x00FFFFFF}, {L"#1675FE", 0xFF1675FE}, {L"#zz", 0}, {L"", 0}};
  for (const auto& c : colours) EXPECT_EQ(ParseColor(c.text), c.expected) << c.text;
  EXPECT_EQ(ParseHex(L"#26003B76"), 0x26003B76u);
  EXPECT_EQ(ParseHex(L"26003B76"), 0x26003B76u);
}

TEST(ImageAttribute, BareNamesAndOptionLists) {
  EXPECT_EQ(ParseImageAttribute(L"res\\mainWnd\\bg1.png").file, L"res\\mainWnd\\bg1.png");

  const ImageAttribute full = ParseImageAttribute(
      L"file='res\\mainWnd\\Cb1.png' dest='0,2,15,16' source='1,1,5,5' corner='2,2,2,2' fade='128' hole='true' "
      L"xtiled='true'");
  EXPECT_EQ(full.file, L"res\\mainWnd\\Cb1.png");
  EXPECT_EQ(full.dest, (Rect{0, 2, 15, 16}));
  EXPECT_EQ(full.source, (Rect{1, 1, 5, 5}));
  EXPECT_EQ(full.corner, (Rect{2, 2, 2, 2}));
  EXPECT_EQ(full.fade, 128);
  EXPECT_TRUE(full.hole);
  EXPECT_TRUE(full.xtiled);
  EXPECT_FALSE(full.ytiled);

  // An unclosed quote ends the list where it stands; unknown options are ignored.
  const ImageAttribute cut = ParseImageAttribute(L"wobble='3' file='a.png' dest='1,2");
  EXPECT_EQ(cut.file, L"a.png");
  EXPECT_EQ(cut.dest, (Rect{1, 2, 0, 0}));
  EXPECT_EQ(ParseImageAttribute(L"fade='999' file='b.png'").fade, 255);
}

TEST(WindowRegion, RoundCornersCutOnlyTheCorners) {
  // "1,0" and "0,0" are plain rectangles.
  for (Size corner : {Size{1, 0}, Size{0, 0}, Size{1, 1}}) {
    const WindowRegion r = WindowRegion::RoundRect(600, 400, corner);
    EXPECT_TRUE(r.Contains(0, 0));
    EXPECT_TRUE(r.Contains(599, 399));
  }
  const WindowRegion round = WindowRegion::RoundRect(40, 30, {8, 8});
  EXPECT_FALSE(round.Contains(0, 0));
  EXPECT_FALSE(round.Contains(39, 29));
  EXPECT_TRUE(round.Contains(4, 0));
  EXPECT_TRUE(round.Contains(0, 15));
  EXPECT_TRUE(round.Contains(20, 15));
  EXPECT_FALSE(round.Contains(40, 15));

  // A "2,2" dialog corner loses at most its corner pixel.
  const WindowRegion dialog = WindowRegion::RoundRect(360, 180, {2, 2});
  EXPECT_TRUE(dialog.Contains(1, 0));
  EXPECT_TRUE(dialog.Contains(0, 1));
  EXPECT_TRUE(WindowRegion::RoundRect(0, 10, {4, 4}).IsEmpty());
}

}  // namespace
}  // namespace SkinUI
