// Building layouts: where the flow puts each control, what the Window element leaves for the
// window's code, and how mistakes in a layout are reported.

#include <gtest/gtest.h>

#include "tests/ui_framework/fixture_window.h"
#include "ui/framework/button.h"
#include "ui/framework/dialog_builder.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/label.h"

namespace SkinUI {
namespace {

using SkinUITest::FixtureWindow;

TEST(Layout, FlowPlacesFixedFlexiblePaddedCentredAndFloatingControls) {
  HeadlessHost host;
  FixtureWindow w(L"flow.xml");
  ASSERT_TRUE(w.Open());
  EXPECT_EQ(w.GetClientSize(), (Size{200, 100}));
  w.GetPaintManager().UpdateLayout();

  struct Case { const wchar_t* name; Rect pos; } cases[] = {
      {L"root", {0, 0, 200, 100}},
      {L"row", {0, 0, 200, 30}},
      {L"fixed", {0, 0, 40, 30}},
      // 200 - 40 - 50 - 3 gaps of 5 - 6 of padding leaves 89 for two flexible controls.
      {L"flexA", {45, 0, 89, 30}},
      {L"flexB", {96, 3, 141, 25}},
      {L"btn", {150, 0, 200, 30}},
      {L"gap", {0, 30, 200, 80}},
      {L"centred", {70, 80, 130, 100}},
      {L"floater", {150, 60, 190, 90}},
  };
  for (const auto& c : cases) {
    CControlUI* control = w.Find(c.name);
    ASSERT_NE(control, nullptr) << c.name;
    EXPECT_EQ(control->GetPos(), c.pos) << c.name;
  }

  // A hidden control gives its room to the flexible ones.
  w.Find(L"fixed")->SetVisible(false);
  w.GetPaintManager().UpdateLayout();
  EXPECT_EQ(w.Find(L"flexA")->GetPos(), (Rect{0, 0, 67, 30}));
  // A fixed width set by code takes effect at the next layout pass.
  w.Find(L"btn")->SetFixedWidth(20);
  w.GetPaintManager().UpdateLayout();
  EXPECT_EQ(w.Find(L"btn")->GetPos(), (Rect{180, 0, 200, 30}));
}

TEST(Layout, WindowElementConfiguresTheManagerAndKeepsUnknownAttributes) {
  HeadlessHost host;
  FixtureWindow w(L"flow.xml");
  ASSERT_TRUE(w.Open());
  PaintManager& pm = w.GetPaintManager();
  EXPECT_EQ(pm.GetInitSize(), (Size{200, 100}));
  EXPECT_EQ(pm.GetCaptionRect(), (Rect{0, 0, 0, 20}));
  EXPECT_EQ(pm.GetRoundCorner(), (Size{8, 8}));
  ASSERT_NE(pm.GetWindowCustomAttribute(L"showshadow"), nullptr);
  EXPECT_EQ(*pm.GetWindowCustomAttribute(L"showshadow"), L"TRUE");
  EXPECT_EQ(*pm.GetWindowCustomAttribute(L"mycustom"), L"kept");
  EXPECT_EQ(pm.GetWindowCustomAttribute(L"size"), nullptr);
  EXPECT_EQ(pm.GetWindowCustomAttribute(L"absent"), nullptr);

  EXPECT_EQ(pm.GetFont(1).size, 20);
  EXPECT_TRUE(pm.GetFont(1).bold);
  EXPECT_EQ(pm.GetFont(7).size, 14) << "an unknown font id falls back to the default font";
  EXPECT_EQ(pm.GetDefaultFont().face, L"微软雅黑");
  // <Default> lists apply to every element of their class.
  EXPECT_EQ(w.Find<CButtonUI>(L"btn")->GetTextColor(), 0xFF112233u);
  EXPECT_TRUE(pm.GetBuildWarnings().empty());
}

TEST(Layout, MistakesAreReportedAndTheRestIsBuilt) {
  HeadlessHost host;
  FixtureWindow w(L"broken.xml");
  w.createControl = [](const std::wstring& className) -> CControlUI* {
    return className == L"Mystery" ? new CLabelUI : nullptr;
  };
  ASSERT_TRUE(w.Open());
  EXPECT_NE(w.Find<CLabelUI>(L"lbl"), nullptr);
  EXPECT_EQ(w.Find<CLabelUI>(L"lbl")->GetText(), L"x");
  EXPECT_NE(w.Find<CLabelUI>(L"mine"), nullptr) << "the window's own control class";
  EXPECT_EQ(w.Find(L"nope"), nullptr);
  EXPECT_EQ(w.Find(L"orphan"), nullptr);

  const std::vector<std::wstring>& warnings = w.GetPaintManager().GetBuildWarnings();
  const auto mentions = [&](std::wstring_view text) {
    return std::any_of(warnings.begin(), warnings.end(), [&](const std::wstring& s) { return s.find(text) != std::wstring::npos; });
  };
  EXPECT_TRUE(mentions(L"<Gadget>"));
  EXPECT_TRUE(mentions(L"\"colour\""));
  EXPECT_TRUE(mentions(L"<orphan>") || mentions(L"<Control>"));
  EXPECT_EQ(warnings.size(), 3u);
}

TEST(Layout, UnreadableLayoutsLeaveAWindowWithoutContent) {
  HeadlessHost host;
  struct Case { const char* xml; } cases[] = {{""}, {"<Window"}, {"<Window size='10,10'></Window>"}, {"\xff\xfe\x00"}};
  for (const auto& c : cases) {
    PaintManager pm;
    DialogBuilder builder;
    EXPECT_EQ(builder.CreateFromText(c.xml, nullptr, &pm), nullptr) << c.xml;
  }
  FixtureWindow missing(L"no-such-layout.xml");
  ASSERT_TRUE(missing.Open()) << "the window exists, it only shows nothing";
  EXPECT_EQ(missing.GetPaintManager().GetRoot(), nullptr);
  EXPECT_TRUE(host.Render(missing).Empty());
}

TEST(Layout, NumberedTextsResolveInLabels) {
  HeadlessHost host;
  PaintManager::AddMultiLanguageString(104, L"磁盘空间不足");
  EXPECT_EQ(PaintManager::ResolveText(L"%{104}"), L"磁盘空间不足");
  EXPECT_EQ(PaintManager::ResolveText(L"%{105}"), L"%{105}") << "an id without text shows as written";
  EXPECT_EQ(PaintManager::ResolveText(L"%{1x}"), L"%{1x}");
  PaintManager::AddMultiLanguageString(104, L"later");
  EXPECT_EQ(*PaintManager::GetMultiLanguageString(104), L"later");
  EXPECT_EQ(PaintManager::GetMultiLanguageString(99999), nullptr);
}

}  // namespace
}  // namespace SkinUI
