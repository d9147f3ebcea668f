// A display that cannot show per-pixel alpha: registering the shadow fails, and windows that ask
// for a shadow simply have none and work as before. A program of its own, since registration
// happens once per process.

#include <gtest/gtest.h>

#include "ui/drop_shadow.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/resource_package.h"
#include "ui/framework/window_registry.h"
#include "ui/skin_frame.h"

namespace SkinUI {
namespace {

TEST(ShadowUnsupported, RegistrationFailsAndWindowsGoOnWithoutShadow) {
  EXPECT_FALSE(CDropShadow::RegisterShadowClass()) << "no host yet";
  HeadlessHost host;
  host.SetLayeredWindowsSupported(false);
  EXPECT_FALSE(CDropShadow::RegisterShadowClass());

  // The main window's layout asks for a shadow.
  CSkinFrame frame(MakeFrameDescriptor(L"MainWnd.xml"));
  ASSERT_TRUE(frame.Create(nullptr, L"Quorvane", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0));
  CDropShadow& shadow = frame.GetShadow();
  EXPECT_EQ(shadow.GetStatus(), 0);
  EXPECT_EQ(shadow.GetShadowWindow(), nullptr);
  EXPECT_EQ(ThreadWindows().size(), 1u) << "no companion window";
  EXPECT_EQ(shadow.GetShadowSize(), 6) << "the layout's values are still taken";
  EXPECT_TRUE(shadow.SetShadowDarkness(40));

  frame.MoveWindow(50, 60, 600, 400);
  frame.Minimize();
  frame.Restore();
  EXPECT_FALSE(host.Render(frame).Empty());
  EXPECT_TRUE(frame.DestroyWindow());
}

}  // namespace
}  // namespace SkinUI
