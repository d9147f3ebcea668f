// The animation controls: frame orders, their attributes, the timer they run on, the pushed-text
// offset and the channel copy.

#include <gtest/gtest.h>

#include "tests/ui_framework/fixture_window.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/sequence_button.h"
#include "ui/sequence_controls.h"
#include "ui/sequence_label.h"
#include "ui/framework/window_registry.h"

namespace SkinUI {
namespace {

using SkinUITest::FixtureWindow;

constexpr int kStop = -1;

// Frames shown by successive ticks; kStop marks the tick that ends the sequence.
std::vector<int> Play(FrameSequence seq, int ticks) {
  std::vector<int> shown;
  for (int i = 0; i < ticks; ++i) {
    const FrameSequence::Tick t = seq.Advance();
    if (t.stop) {
      shown.push_back(kStop);
      break;
    }
    shown.push_back(static_cast<int>(*t.frame));
  }
  return shown;
}

TEST(FrameSequence, OrdersForCountBounceAndLoop) {
  struct Case { int count; bool bounce; bool loop; int ticks; std::vector<int> frames; } cases[] = {
      {3, false, true, 7, {0, 1, 2, 0, 1, 2, 0}},
      {3, false, false, 5, {0, 1, 2, kStop}},
      {3, true, true, 9, {0, 1, 2, 1, 0, 1, 2, 1, 0}},
      {3, true, false, 6, {0, 1, 2, 1, kStop}},
      {1, false, true, 3, {0, 0, 0}},
      {2, true, true, 6, {0, 1, 0, 1, 0, 1}},
      {0, false, true, 5, {0, 1, 2, 3, 4}},
      // One frame and bouncing stays on frame 0 (the direction flips at every end).
      {1, true, true, 4, {0, 0, 0, 0}},
      {59, false, true, 61, {}},
  };
  for (const auto& c : cases) {
    FrameSequence seq;
    seq.count = c.count;
    seq.bounce = c.bounce;
    seq.loop = c.loop;
    std::vector<int> expected = c.frames;
    if (c.count == 59)
      for (int i = 0; i < 61; ++i) expected.push_back(i % 59);
    EXPECT_EQ(Play(seq, c.ticks), expected) << "count " << c.count << " bounce " << c.bounce << " loop " << c.loop;
  }
}

TEST(FrameSequence, StartWhilePlayingBackwardKeepsTheDirection) {
  FrameSequence seq;
  seq.count = 3;
  seq.bounce = true;
  for (int i = 0; i < 4; ++i) seq.Advance();  // 0 1 2 1: now going back
  ASSERT_FALSE(seq.forward);
  seq.index = 0;  // what Start does
  EXPECT_EQ(Play(seq, 3), (std::vector<int>{0, 1, 2})) << "turns forward again at the next tick";
}

TEST(FrameSequence, AttributesAndFlagSpelling) {
  struct Case { const wchar_t* name; const wchar_t* value; bool FrameSequence::*flag; bool expected; } cases[] = {
      {L"sequenceloop", L"false", &FrameSequence::loop, false},
      {L"sequenceloop", L"False", &FrameSequence::loop, true},
      {L"SequenceLoop", L"false", &FrameSequence::loop, false},
      {L"autostart", L"true", &FrameSequence::autoStart, true},
      {L"autostart", L"0", &FrameSequence::autoStart, true},
      {L"sequenceround", L"false", &FrameSequence::bounce, false},
      {L"sequenceround", L"", &FrameSequence::bounce, true},
  };
  for (const auto& c : cases) {
    FrameSequence seq;
    seq.loop = seq.autoStart = seq.bounce = !c.expected;
    EXPECT_TRUE(seq.SetAttribute(c.name, c.value));
    EXPECT_EQ(seq.*c.flag, c.expected) << c.name << "=" << c.value;
  }
  FrameSequence seq;
  EXPECT_TRUE(seq.SetAttribute(L"sequencecount", L"59"));
  EXPECT_TRUE(seq.SetAttribute(L"sequencespan", L"30ms"));
  EXPECT_FALSE(seq.SetAttribute(L"SequenceBkImage", L"x")) << "the pattern's name is exact";
  EXPECT_FALSE(seq.SetAttribute(L"text", L"x"));
  EXPECT_EQ(seq.count, 59);
  EXPECT_EQ(seq.span, 30);
}

TEST(FrameSequence, FrameNamesTakeOneIntegerAndNothingElse) {
  struct Case { const wchar_t* pattern; uint32_t frame; std::optional<std::wstring> name; } cases[] = {
      {L"res\\mainWnd\\installBtnAnimate\\%.3d.png", 7, L"res\\mainWnd\\installBtnAnimate\\007.png"},
      {L"res\\mainWnd\\installBtnAnimate\\%.3d.png", 58, L"res\\mainWnd\\installBtnAnimate\\058.png"},
      {L"f%d_%%.png", 12, L"f12_%.png"},
      {L"%04x", 255, L"00ff"},
      {L"still.png", 3, L"still.png"},
      {L"%s.png", 1, std::nullopt},
      {L"%d%d.png", 1, std::nullopt},
      {L"%*d.png", 1, std::nullopt},
      {L"%n", 1, std::nullopt},
      {L"%ld.png", 1, std::nullopt},
      {L"trailing%", 1, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFrameName(c.pattern, c.frame), c.name) << c.pattern;
  EXPECT_EQ(FormatFrameName(std::wstring(300, L'a') + L"%d", 1), std::nullopt) << "longer than 260 characters";
}

TEST(SequenceControls, PlayOnTimer2100AndStopByThemselves) {
  HeadlessHost host;
  FixtureWindow w(L"sequence.xml");
  w.createControl = CreateSequenceControl;
  ASSERT_TRUE(w.Open());
  auto* anim = w.Find<CSequenceLabelUI>(L"anim");
  auto* btn = w.Find<CSequenceButtonUI>(L"seqBtn");
  ASSERT_NE(anim, nullptr);
  ASSERT_NE(btn, nullptr);
  EXPECT_NE(anim->GetInterface(L"SequenceLabel"), nullptr);
  EXPECT_NE(anim->GetInterface(L"Label"), nullptr);
  EXPECT_EQ(btn->GetInterface(L"SequenceLabel"), nullptr);
  EXPECT_EQ(btn->GetSequenceSpan(), 60) << "the button's default span";
  EXPECT_TRUE(btn->GetSequence().bounce) << "the button bounces by default";
  PaintManager& pm = w.GetPaintManager();
  EXPECT_TRUE(pm.HasTimer(anim, TIMER_SEQUENCE)) << "autostart";
  EXPECT_FALSE(pm.HasTimer(btn, TIMER_SEQUENCE));

  std::vector<std::wstring> frames;
  for (int i = 0; i < 4; ++i) {
    host.AdvanceTime(30);
    frames.push_back(anim->GetBkImage());
  }
  EXPECT_EQ(frames, (std::vector<std::wstring>{L"anim\\000.png", L"anim\\001.png", L"anim\\002.png", L"anim\\000.png"}));
  EXPECT_EQ(std::count(w.log.begin(), w.log.end(), L"timer:anim"), 4) << "each tick is also a timer notification";

  anim->Stop();
  EXPECT_FALSE(pm.HasTimer(anim, TIMER_SEQUENCE));
  host.AdvanceTime(300);
  EXPECT_EQ(anim->GetBkImage(), L"anim\\000.png");
  anim->Start();
  host.AdvanceTime(60);
  EXPECT_EQ(anim->GetBkImage(), L"anim\\001.png");

  // Two frames, bouncing; the layout's "False" (capital F) still loops: 0 1 0 1 0 1 ...
  btn->Start();
  for (int i = 0; i < 6; ++i) host.AdvanceTime(60);
  EXPECT_EQ(btn->GetBkImage(), L"btn\\1.png");
  EXPECT_TRUE(pm.HasTimer(btn, TIMER_SEQUENCE));
  // Not looping, the next turn at an end stops the timer and the last frame stays.
  btn->SetAttribute(L"sequenceloop", L"false");
  host.AdvanceTime(60);
  EXPECT_FALSE(pm.HasTimer(btn, TIMER_SEQUENCE));
  host.AdvanceTime(600);
  EXPECT_EQ(btn->GetBkImage(), L"btn\\1.png");

  // A pattern that would read arguments it does not have shows nothing and keeps ticking.
  auto* bad = w.Find<CSequenceLabelUI>(L"bad");
  EXPECT_EQ(bad->GetBkImage(), L"");
  EXPECT_TRUE(pm.HasTimer(bad, TIMER_SEQUENCE));
  EXPECT_TRUE(pm.GetBuildWarnings().empty());
}

TEST(SequenceControls, ClassNamesForTheBuilderIgnoreCase) {
  struct Case { const wchar_t* name; const wchar_t* cls; } cases[] = {
      {L"SequenceLabel", L"SequenceLabel"}, {L"sequencelabel", L"SequenceLabel"},
      {L"SEQUENCEBUTTON", L"SequenceButton"}, {L"Label", nullptr}, {L"", nullptr}};
  for (const auto& c : cases) {
    std::unique_ptr<CControlUI> control(CreateSequenceControl(c.name));
    if (!c.cls) {
      EXPECT_EQ(control, nullptr) << c.name;
      continue;
    }
    ASSERT_NE(control, nullptr) << c.name;
    EXPECT_EQ(control->GetClass(), c.cls);
  }
}

TEST(SequenceControls, ChannelCopyMovesOneByteOfEveryPixel) {
  Bitmap source(2, 1), dest(2, 1, 0x11223344);
  source.At(0, 0) = 0xA0B0C0D0;
  source.At(1, 0) = 0x01020304;
  // Byte 3 is alpha, byte 0 blue (the memory order of premultiplied ARGB).
  ASSERT_TRUE(CSequenceButtonUI::CopyChannel(source, dest, 3, 0));
  EXPECT_EQ(dest.At(0, 0), 0x112233A0u);
  EXPECT_EQ(dest.At(1, 0), 0x11223301u);
  ASSERT_TRUE(CSequenceButtonUI::CopyChannel(source, dest, 1, 2));
  EXPECT_EQ(dest.At(0, 0), 0x11C033A0u);

  Bitmap other(1, 2);
  const Bitmap before = dest;
  EXPECT_FALSE(CSequenceButtonUI::CopyChannel(source, other, 0, 0)) << "sizes differ";
  EXPECT_FALSE(CSequenceButtonUI::CopyChannel(source, dest, 4, 0));
  EXPECT_FALSE(CSequenceButtonUI::CopyChannel(source, dest, 0, -1));
  EXPECT_EQ(dest.pixels, before.pixels);
}

TEST(SequenceControls, PushedTextMovesByTheOffset) {
  HeadlessHost host;
  FixtureWindow w(L"sequence.xml");
  w.createControl = CreateSequenceControl;
  ASSERT_TRUE(w.Open());
  auto* btn = w.Find<CSequenceButtonUI>(L"seqBtn");
  btn->SetText(L"■");
  btn->SetTextColor(0xFFFFFFFF);
  btn->SetPushedTextOffset({0, 40, 0, 0});
  const Rect pos = (w.GetPaintManager().UpdateLayout(), btn->GetPos());
  const auto inkedRows = [&](const Bitmap& b) {
    int first = -1;
    for (int y = 0; y < b.height && first < 0; ++y)
      for (int x = pos.left; x < pos.right; ++x)
        if (GreenOf(b.At(x, y)) > 0x80) { first = y; break; }
    return first;
  };
  const int released = inkedRows(host.Render(w));
  // Hold the mouse button down on it.
  PostMessage(w, WM_MOUSEMOVE, 0, MAKELPARAM(pos.left + 5, pos.top + 5));
  PostMessage(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pos.left + 5, pos.top + 5));
  host.Pump();
  ASSERT_TRUE(btn->GetButtonState() & UISTATE_PUSHED);
  const int pushed = inkedRows(host.Render(w));
  ASSERT_GE(released, 0);
  EXPECT_GT(pushed, released + 10) << "the text box lost 40 pixels at the top";
}

}  // namespace
}  // namespace SkinUI
