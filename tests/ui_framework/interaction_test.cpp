// Clicks, keys, focus, timers and notifications, driven through the headless host as a user
// (or a worker thread) would.

#include <gtest/gtest.h>

#include <thread>

#include "tests/ui_framework/fixture_window.h"
#include "ui/framework/combo.h"
#include "ui/framework/edit.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/option.h"
#include "ui/framework/progress.h"
#include "ui/framework/tab_layout.h"
#include "ui/framework/window_registry.h"

namespace SkinUI {
namespace {

using SkinUITest::FixtureWindow;

class Interaction : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(w.Open()); }
  HeadlessHost host;
  FixtureWindow w{L"controls.xml"};
};

TEST_F(Interaction, ClicksRaiseClickThenSelectChangedInOrder) {
  ASSERT_TRUE(host.Click(w, L"btn"));
  ASSERT_TRUE(host.Click(w, L"cb"));
  EXPECT_TRUE(w.Find<CCheckBoxUI>(L"cb")->IsSelected());
  ASSERT_TRUE(host.Click(w, L"optB"));
  EXPECT_FALSE(w.Find<COptionUI>(L"optA")->IsSelected()) << "one member of a group at a time";
  EXPECT_TRUE(w.Find<COptionUI>(L"optB")->IsSelected());
  ASSERT_TRUE(host.Click(w, L"optB"));
  EXPECT_TRUE(w.Find<COptionUI>(L"optB")->IsSelected()) << "clicking the selected member keeps it";
  EXPECT_FALSE(host.Click(w, L"edit")) << "on a hidden page";

  const std::vector<std::wstring> expected = {
      L"click:btn", L"click:cb", L"selectchanged:cb", L"click:optB", L"selectchanged:optA", L"selectchanged:optB",
      L"click:optB"};
  EXPECT_EQ(w.log, expected);
}

TEST_F(Interaction, DisabledControlsAndDisabledWindowsTakeNoClicks) {
  ASSERT_TRUE(host.Click(w, L"disabledBtn"));
  w.Find(L"btn")->SetEnabled(false);
  ASSERT_TRUE(host.Click(w, L"btn"));
  EXPECT_TRUE(w.log.empty());
  w.Find(L"btn")->SetEnabled(true);
  w.EnableWindow(false);
  ASSERT_TRUE(host.Click(w, L"btn"));
  EXPECT_TRUE(w.log.empty());
  w.EnableWindow(true);
  ASSERT_TRUE(host.Click(w, L"btn"));
  EXPECT_EQ(w.log, std::vector<std::wstring>{L"click:btn"});
}

TEST_F(Interaction, PressAndReleaseMustBothBeOnTheButton) {
  w.GetPaintManager().UpdateLayout();
  const Rect btn = w.Find(L"btn")->GetPos();
  const Rect other = w.Find(L"toPage1")->GetPos();
  PostMessage(w, WM_MOUSEMOVE, 0, MAKELPARAM(btn.left + 5, btn.top + 5));
  PostMessage(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(btn.left + 5, btn.top + 5));
  PostMessage(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(other.left + 5, other.top + 5));
  PostMessage(w, WM_LBUTTONUP, 0, MAKELPARAM(other.left + 5, other.top + 5));
  host.Pump();
  EXPECT_TRUE(w.log.empty());
}

TEST_F(Interaction, TabSelectionShowsOnePageAndReportsOldAndNew) {
  auto* tabs = w.Find<CTabLayoutUI>(L"tabs");
  EXPECT_EQ(tabs->GetCurSel(), 0);
  std::vector<std::pair<WPARAM, LPARAM>> seen;
  w.onNotify = [&](TNotifyUI& msg) {
    if (msg.sType == kNotifyTabSelect) seen.emplace_back(msg.wParam, msg.lParam);
    if (msg.sType == kNotifyClick && msg.pSender->GetName() == L"toPage1") tabs->SelectItem(1);
  };
  ASSERT_TRUE(host.Click(w, L"toPage1"));
  EXPECT_EQ(tabs->GetCurSel(), 1);
  EXPECT_FALSE(w.Find(L"toPage1")->IsVisible());
  EXPECT_TRUE(w.Find(L"edit")->IsVisible());
  EXPECT_TRUE(tabs->SelectItem(1)) << "the current page: no change, no event";
  EXPECT_FALSE(tabs->SelectItem(2));
  EXPECT_FALSE(tabs->SelectItem(-1));
  EXPECT_TRUE(tabs->SelectItem(0, false));
  EXPECT_EQ(seen, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 0}}));
}

TEST_F(Interaction, TypingEditsTheFocusedEditWithinItsLimit) {
  w.Find<CTabLayoutUI>(L"tabs")->SelectItem(1);
  auto* edit = w.Find<CEditUI>(L"edit");
  ASSERT_TRUE(host.TypeText(w, L"edit", L"C:\\Pro\r\ngram Files"));
  EXPECT_EQ(edit->GetText(), L"C:\\Progr") << "line breaks dropped, cut at maxchar 8";
  host.PressKey(w, VK_BACK);
  host.PressKey(w, VK_HOME);
  host.PressKey(w, VK_DELETE);
  EXPECT_EQ(edit->GetText(), L":\\Prog");
  host.SetClipboardText(L"D");
  PostMessage(w, WM_CHAR, 0x16, 0);  // Ctrl+V
  host.Pump();
  EXPECT_EQ(edit->GetText(), L"D:\\Prog");
  host.PressKey(w, VK_RETURN);
  EXPECT_EQ(w.log.back(), L"return:edit");
  EXPECT_EQ(std::count(w.log.begin(), w.log.end(), L"textchanged:edit"), 11);

  edit->SetReadOnly(true);
  host.PressKey(w, VK_BACK);
  EXPECT_EQ(edit->GetText(), L"D:\\Prog");
}

TEST_F(Interaction, ComboSelectionRaisesItemSelect) {
  auto* combo = w.Find<CComboUI>(L"combo");
  EXPECT_EQ(combo->GetCurSel(), 1) << "the layout's preselected item";
  EXPECT_EQ(combo->GetText(), L"zh");
  EXPECT_TRUE(combo->SelectItem(2, false, true));
  EXPECT_FALSE(combo->SelectItem(3));
  EXPECT_TRUE(combo->SelectItem(0, false, false));
  ASSERT_TRUE(host.Click(w, L"combo"));
  EXPECT_EQ(combo->GetCurSel(), 1);
  EXPECT_EQ(w.log, (std::vector<std::wstring>{L"itemselect:combo", L"itemselect:combo"}));
}

TEST_F(Interaction, ControlTimersTickUntilKilledAndRaiseTimerNotifications) {
  CControlUI* root = w.Find(L"root");
  PaintManager& pm = w.GetPaintManager();
  ASSERT_TRUE(pm.SetTimer(root, 10, 100));
  ASSERT_TRUE(pm.SetTimer(w.Find(L"btn"), 10, 250));
  host.AdvanceTime(99);
  EXPECT_TRUE(w.log.empty());
  host.AdvanceTime(1);
  host.AdvanceTime(400);
  EXPECT_EQ(std::count(w.log.begin(), w.log.end(), L"timer:root"), 5);
  EXPECT_EQ(std::count(w.log.begin(), w.log.end(), L"timer:btn"), 2);
  EXPECT_TRUE(pm.KillTimer(root, 10));
  EXPECT_FALSE(pm.KillTimer(root, 10));
  w.log.clear();
  host.AdvanceTime(1000);
  EXPECT_EQ(w.log, std::vector<std::wstring>(4, L"timer:btn"));
  // Deleting a control ends its timers.
  static_cast<CContainerUI*>(w.Find(L"btn")->GetParent())->Remove(w.Find(L"btn"));
  w.log.clear();
  host.AdvanceTime(1000);
  EXPECT_TRUE(w.log.empty());
}

TEST_F(Interaction, PostedNotificationArrivesAfterTheCurrentHandler) {
  PaintManager& pm = w.GetPaintManager();
  w.onNotify = [&](TNotifyUI& msg) {
    if (msg.sType == kNotifyClick && msg.pSender->GetName() == L"btn") {
      pm.SendNotify(msg.pSender, L"install", 1, 0, true);
      pm.SendNotify(msg.pSender, L"now", 0, 0, false);
      w.log.push_back(L"handler done");
    }
  };
  ASSERT_TRUE(host.Click(w, L"btn"));
  EXPECT_EQ(w.log, (std::vector<std::wstring>{L"click:btn", L"now:btn", L"handler done", L"install:btn"}));
}

TEST_F(Interaction, WorkerThreadsPostEventsAndNotificationsToTheWindow) {
  // The shape of the installer's stage callback and connectivity check.
  constexpr UINT WM_INSTALLER_EVENT = 2024;
  std::vector<LPARAM> events;
  w.onMessage = [&](UINT m, WPARAM, LPARAM l) {
    if (m != WM_INSTALLER_EVENT) return false;
    events.push_back(l);
    return true;
  };
  const HWND hwnd = w.GetHWND();
  PaintManager* pm = &w.GetPaintManager();
  CControlUI* root = w.Find(L"root");
  std::thread worker([&] {
    for (LPARAM i = 1; i <= 100; ++i) PostMessage(hwnd, WM_INSTALLER_EVENT, 0, i);
    pm->SendNotify(root, L"checknet", 0x10000, 0, true);
  });
  host.SetAutoAdvance(false);
  host.SetStallLimit(5000);
  // The window is shown modally, as the main window is, and closes itself once everything came.
  w.onNotify = [&](TNotifyUI& msg) {
    if (msg.sType == L"checknet") w.Close(7);
  };
  EXPECT_EQ(w.ShowModal(), 7u);
  worker.join();
  ASSERT_EQ(events.size(), 100u);
  for (LPARAM i = 0; i < 100; ++i) EXPECT_EQ(events[static_cast<size_t>(i)], i + 1);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(PostMessage(hwnd, WM_INSTALLER_EVENT, 0, 1)) << "posting to a window that is gone fails";
}

TEST_F(Interaction, ProgressAndDefaultButtons) {
  auto* prg = w.Find<CProgressUI>(L"prg");
  w.GetPaintManager().UpdateLayout();
  prg->SetValue(35);
  EXPECT_EQ(prg->GetValue(), 35);
  EXPECT_EQ(prg->FilledRect().Width(), 105);
  prg->SetValue(250);
  EXPECT_EQ(prg->FilledRect().Width(), 300) << "beyond the maximum draws full, not past the bar";
  prg->SetValue(-5);
  EXPECT_TRUE(prg->FilledRect().IsEmpty());

  ASSERT_TRUE(host.Click(w, L"minbtn"));
  EXPECT_TRUE(w.IsMinimized());
  ASSERT_TRUE(host.Click(w, L"closebtn"));
  EXPECT_FALSE(IsWindow(w.GetHWND())) << "closebtn closes by default";
}

}  // namespace
}  // namespace SkinUI
