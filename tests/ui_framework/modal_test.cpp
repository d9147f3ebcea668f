// Modal loops: a dialog over its owner keeps every window of the thread alive, ends when its
// window goes, returns the close result, and never leaves the owner disabled.

#include <gtest/gtest.h>

#include "tests/ui_framework/fixture_window.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/window_registry.h"

namespace SkinUI {
namespace {

using SkinUITest::FixtureWindow;

constexpr UINT WM_TEST_EVENT = WM_USER + 1000;

class Modal : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(owner.Open()); }
  HeadlessHost host;
  FixtureWindow owner{L"controls.xml", L"Owner"};
};

TEST_F(Modal, CloseResultComesBackAndTheOwnerIsEnabledAgain) {
  FixtureWindow box(L"controls.xml", L"Box");
  ASSERT_TRUE(box.Open(owner));
  box.CenterWindow();
  bool ownerDisabledMeanwhile = false;
  host.WhenIdle([&] {
    ownerDisabledMeanwhile = !owner.IsWindowEnabled();
    EXPECT_TRUE(host.IsNativeModal(box));
    box.Close(1);
  });
  EXPECT_EQ(box.ShowModal(), 1u);
  EXPECT_TRUE(ownerDisabledMeanwhile);
  EXPECT_TRUE(owner.IsWindowEnabled());
  EXPECT_FALSE(IsWindow(box.GetHWND()));
  EXPECT_TRUE(IsWindow(owner.GetHWND()));
}

TEST_F(Modal, TheLastCloseRequestWinsEvenWhenTheFirstIsRefused) {
  FixtureWindow box(L"controls.xml", L"Box");
  ASSERT_TRUE(box.Open(owner));
  int closes = 0;
  // The first close request is swallowed, as the main window does while it installs.
  box.onMessage = [&](UINT m, WPARAM, LPARAM) { return m == WM_CLOSE && ++closes == 1; };
  host.WhenIdle([&] { box.Close(5); });
  host.WhenIdle([&] { box.Close(2); });
  EXPECT_EQ(box.ShowModal(), 2u);
  EXPECT_EQ(closes, 2);
}

TEST_F(Modal, NestedLoopsKeepDispatchingPostedMessagesToEveryWindow) {
  FixtureWindow outerBox(L"controls.xml", L"Outer");
  FixtureWindow innerBox(L"controls.xml", L"Inner");
  std::vector<std::wstring> order;
  owner.onMessage = [&](UINT m, WPARAM w, LPARAM) {
    if (m != WM_TEST_EVENT) return false;
    order.push_back(L"owner " + std::to_wstring(w));
    if (w == 1) {
      // A second event arrives while the first one's dialog is open: its box runs inside.
      EXPECT_TRUE(innerBox.Open(owner));
      host.WhenIdle([&] {
        order.push_back(L"inner idle");
        innerBox.Close(0);
        // Queued only now: a close the inner loop dispatched would not be the outer loop's result.
        host.WhenIdle([&] { outerBox.Close(3); });
      });
      order.push_back(L"inner result " + std::to_wstring(innerBox.ShowModal()));
    }
    return true;
  };
  ASSERT_TRUE(outerBox.Open(owner));
  host.WhenIdle([&] {
    owner.PostMessage(WM_TEST_EVENT, 1, 0);
    owner.PostMessage(WM_TEST_EVENT, 2, 0);
  });
  EXPECT_EQ(outerBox.ShowModal(), 3u);
  const std::vector<std::wstring> expected = {L"owner 1", L"owner 2", L"inner idle", L"inner result 0"};
  EXPECT_EQ(order, expected);
  EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST_F(Modal, DestroyingTheOwnerTakesTheDialogAndEndsItsLoop) {
  FixtureWindow box(L"controls.xml", L"Box");
  ASSERT_TRUE(box.Open(owner));
  host.WhenIdle([&] { owner.Close(1); });
  EXPECT_EQ(box.ShowModal(), 0u) << "no close request was addressed to the box";
  EXPECT_FALSE(IsWindow(box.GetHWND()));
  EXPECT_FALSE(IsWindow(owner.GetHWND()));
}

TEST_F(Modal, QuitEndsEveryLoopAndStaysPostedForTheOuterOnes) {
  FixtureWindow box(L"controls.xml", L"Box");
  ASSERT_TRUE(box.Open(owner));
  host.WhenIdle([] { PostQuitMessage(9); });
  EXPECT_EQ(box.ShowModal(), 0u);
  EXPECT_TRUE(IsWindow(box.GetHWND())) << "a quit ends the loop, not the window";
  MSG msg;
  ASSERT_TRUE(MessageQueue::ForCurrentThread().PeekMessage(msg));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 9u);
}

TEST_F(Modal, ANestedLoopWithNothingToDoGivesUpInsteadOfHanging) {
  host.SetAutoAdvance(false);
  host.SetStallLimit(50);
  FixtureWindow box(L"controls.xml", L"Box");
  ASSERT_TRUE(box.Open(owner));
  box.ShowModal();
  MSG msg;
  ASSERT_TRUE(MessageQueue::ForCurrentThread().PeekMessage(msg));
  EXPECT_EQ(static_cast<int>(msg.wParam), HeadlessHost::kStalled);
}

TEST_F(Modal, TimersOfTheOwnerTickWhileTheDialogIsOpen) {
  owner.GetPaintManager().SetTimer(owner.Find(L"root"), 11, 1000);
  FixtureWindow box(L"controls.xml", L"Box");
  ASSERT_TRUE(box.Open(owner));
  box.onNotify = nullptr;
  owner.onNotify = [&](TNotifyUI& msg) {
    if (msg.sType == kNotifyTimer) box.Close(4);
  };
  EXPECT_EQ(box.ShowModal(), 4u) << "the idle loop moved the clock to the owner's timer";
}

TEST_F(Modal, EscClosesAPlainWindow) {
  host.PressKey(owner, VK_ESCAPE);
  EXPECT_FALSE(IsWindow(owner.GetHWND()));
}

TEST_F(Modal, CentringUsesTheOwnerAndStaysInTheWorkArea) {
  owner.MoveWindow(1700, 900, 300, 200);
  FixtureWindow box(L"controls.xml", L"Box");
  ASSERT_TRUE(box.Open(owner));
  box.CenterWindow();
  // The owner's centre would put the box past the right and bottom edges.
  EXPECT_EQ(box.GetWindowRect(), (Rect{1620, 880, 1920, 1080}));
  owner.Minimize();
  box.CenterWindow();
  EXPECT_EQ(box.GetWindowRect(), (Rect{810, 440, 1110, 640}));
  EXPECT_EQ(host.NativeRect(box), box.GetWindowRect());
}

}  // namespace
}  // namespace SkinUI
