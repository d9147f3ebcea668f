// The built-in skin through the installer's frame base: every layout builds with its named
// controls, the shadow settings come from the Window element, the package is opened once, Esc
// does nothing and the dialogs close with their result.

#include <gtest/gtest.h>

#include "ui/framework/button.h"
#include "ui/framework/edit.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/label.h"
#include "ui/framework/layouts.h"
#include "ui/framework/option.h"
#include "ui/framework/progress.h"
#include "ui/framework/resource_package.h"
#include "ui/framework/tab_layout.h"
#include "ui/framework/window_registry.h"
#include "ui/sequence_label.h"
#include "ui/skin_frame.h"

namespace SkinUI {
namespace {

class TestFrame : public CSkinFrame {
 public:
  explicit TestFrame(std::wstring_view layout) : CSkinFrame(MakeFrameDescriptor(layout)) {}
  HWND Open(HWND owner = nullptr) { return Create(owner, L"Quorvane", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0); }
  void Notify(TNotifyUI& msg) override {
    log.push_back(msg.sType + L":" + (msg.pSender ? msg.pSender->GetName() : L""));
    if (onNotify) onNotify(msg);
    CSkinFrame::Notify(msg);
  }
  std::vector<std::wstring> log;
  std::function<void(TNotifyUI&)> onNotify;
};

struct Named {
  const wchar_t* name;
  const wchar_t* cls;
};

struct LayoutCase {
  const wchar_t* layout;
  Size size;
  std::vector<Named> controls;
};

const std::vector<Named> kDialogButtons = {{L"closebtn", L"Button"}, {L"okBtn", L"Button"}, {L"cancelBtn", L"Button"}};
const std::vector<Named> kMessageBox = {{L"closebtn", L"Button"}, {L"captionLbl", L"Label"}, {L"textLbl", L"Label"}};

const LayoutCase kLayouts[] = {
    {L"MainWnd.xml", {600, 400},
     {{L"winCtn", L"VerticalLayout"}, {L"titleTabLt", L"TabLayout"}, {L"mainTabLt", L"TabLayout"},
      {L"defaultInstallBtn", L"Button"}, {L"customeInstallBtn", L"Button"}, {L"customeBtn", L"Button"},
      {L"treatyBtn", L"CheckBox"}, {L"backBtn", L"Button"}, {L"treatyCb", L"CheckBox"}, {L"chDirBtn", L"Button"},
      {L"installDirEdit", L"Edit"}, {L"openProduceBtn", L"Button"}, {L"titleGrpCtn", L"HorizontalLayout"},
      {L"progressLb", L"Label"}, {L"createDSCb", L"CheckBox"}, {L"createQSCb", L"CheckBox"},
      {L"progressAnLb", L"SequenceLabel"}, {L"installPrg", L"Progress"}, {L"tipLbl", L"Label"},
      {L"minbtn", L"Button"}, {L"closebtn", L"Button"}}},
    {L"ExitTipWnd.xml", {360, 180}, kDialogButtons},
    {L"InstalledPathTipWnd.xml", {400, 180}, kDialogButtons},
    {L"NetworkTipWnd.xml", {360, 180}, kDialogButtons},
    {L"MessageBox1Wnd.xml", {360, 180}, kMessageBox},
    {L"MessageBox2Wnd.xml", {360, 180}, kMessageBox},
};

TEST(SkinFrame, EveryLayoutBuildsWithItsNamedControlsAndNoComplaints) {
  HeadlessHost host;
  for (const LayoutCase& c : kLayouts) {
    TestFrame frame(c.layout);
    ASSERT_TRUE(frame.Open()) << c.layout;
    PaintManager& pm = frame.GetPaintManager();
    ASSERT_NE(pm.GetRoot(), nullptr) << c.layout;
    EXPECT_EQ(frame.GetClientSize(), c.size) << c.layout;
    EXPECT_TRUE(pm.GetBuildWarnings().empty()) << c.layout << ": " << (pm.GetBuildWarnings().empty() ? L"" : pm.GetBuildWarnings()[0]);
    for (const Named& n : c.controls) {
      CControlUI* control = pm.FindControl(n.name);
      ASSERT_NE(control, nullptr) << c.layout << " " << n.name;
      EXPECT_EQ(control->GetClass(), n.cls) << c.layout << " " << n.name;
    }
    EXPECT_EQ(frame.GetWindowLong(GWL_STYLE) & (WS_CAPTION | WS_MAXIMIZEBOX), 0u) << c.layout;
    // Every image a layout names is in the package, except the disabled title buttons.
    const Bitmap shown = host.Render(frame);
    EXPECT_FALSE(shown.Empty());
  }
  EXPECT_EQ(PackageOpenCount(), 1) << "one archive for every window";
  EXPECT_EQ(PackageName(), L"membuffer");
}

TEST(SkinFrame, ShadowSettingsComeFromTheWindowElement) {
  HeadlessHost host;
  CDropShadow::RegisterShadowClass();  // once per process: without it no shadow is attached
  struct Case { const wchar_t* layout; int darkness; uint32_t color; } cases[] = {
      {L"MainWnd.xml", 20, 0x26003B76}, {L"InstalledPathTipWnd.xml", 10, 0xFFEDF0F4}, {L"ExitTipWnd.xml", 20, 0x26003B76}};
  for (const auto& c : cases) {
    TestFrame frame(c.layout);
    ASSERT_TRUE(frame.Open());
    const CDropShadow& shadow = frame.GetShadow();
    EXPECT_EQ(shadow.GetOwner(), frame.GetHWND()) << c.layout;
    EXPECT_EQ(shadow.GetStatus() & CDropShadow::kEnabled, CDropShadow::kEnabled);
    EXPECT_EQ(shadow.GetShadowSize(), 6);
    EXPECT_EQ(shadow.GetShadowSharpness(), 10);
    EXPECT_EQ(shadow.GetShadowDarkness(), c.darkness);
    EXPECT_EQ(shadow.GetShadowXOffset(), 1);
    EXPECT_EQ(shadow.GetShadowYOffset(), 1);
    EXPECT_EQ(shadow.GetShadowColor(), c.color);
    // Taken as a COLORREF: red in the low byte.
    EXPECT_EQ(shadow.GetShadowColor() & 0xFF, c.color & 0xFF);
  }
}

TEST(SkinFrame, ShadowSettersRefuseValuesOutOfRange) {
  struct Case { const char* what; std::function<bool(CDropShadow&)> set; bool accepted; } cases[] = {
      {"size 20", [](CDropShadow& s) { return s.SetShadowSize(20); }, true},
      {"size -20", [](CDropShadow& s) { return s.SetShadowSize(-20); }, true},
      {"size 25", [](CDropShadow& s) { return s.SetShadowSize(25); }, false},
      {"sharpness 21", [](CDropShadow& s) { return s.SetShadowSharpness(21); }, false},
      {"sharpness -1", [](CDropShadow& s) { return s.SetShadowSharpness(-1); }, false},
      {"darkness 255", [](CDropShadow& s) { return s.SetShadowDarkness(255); }, true},
      {"darkness 256", [](CDropShadow& s) { return s.SetShadowDarkness(256); }, false},
      {"position 30,0", [](CDropShadow& s) { return s.SetShadowPosition(30, 0); }, false},
      {"position 0,-21", [](CDropShadow& s) { return s.SetShadowPosition(0, -21); }, false},
      {"image missing", [](CDropShadow& s) { return s.SetShadowImage(L"no/such.png", {}, {}); }, false},
  };
  for (const auto& c : cases) {
    CDropShadow shadow;
    EXPECT_EQ(c.set(shadow), c.accepted) << c.what;
    if (!c.accepted) {
      // The defaults stay.
      EXPECT_EQ(shadow.GetShadowSize(), 0) << c.what;
      EXPECT_EQ(shadow.GetShadowSharpness(), 5) << c.what;
      EXPECT_EQ(shadow.GetShadowDarkness(), 150) << c.what;
      EXPECT_EQ(shadow.GetShadowXOffset(), 5) << c.what;
      EXPECT_EQ(shadow.GetShadowYOffset(), 5) << c.what;
    }
  }
}

TEST(SkinFrame, EscDoesNothingAndTheCloseButtonClosesWithOne) {
  HeadlessHost host;
  TestFrame main(L"MainWnd.xml");
  ASSERT_TRUE(main.Open());
  TestFrame box(L"ExitTipWnd.xml");
  ASSERT_TRUE(box.Open(main));
  box.CenterWindow();
  host.WhenIdle([&] {
    host.PressKey(box, VK_ESCAPE);
    host.PressKey(main, VK_ESCAPE);
  });
  host.WhenIdle([&] {
    EXPECT_TRUE(IsWindow(box.GetHWND()));
    EXPECT_TRUE(IsWindow(main.GetHWND()));
    EXPECT_FALSE(main.IsWindowEnabled()) << "the owner is disabled while the box is open";
    EXPECT_TRUE(host.Click(box, L"closebtn"));
  });
  EXPECT_EQ(box.ShowModal(), IDOK);
  EXPECT_EQ(IDOK, 1u);
  EXPECT_TRUE(IsWindow(main.GetHWND()));
  EXPECT_TRUE(main.IsWindowEnabled());
  host.PressKey(main, VK_ESCAPE);
  EXPECT_TRUE(IsWindow(main.GetHWND())) << "Esc does not close a frame";
  // The box is centred on its owner.
  const Rect m = main.GetWindowRect(), b = box.GetWindowRect();
  EXPECT_EQ((b.left + b.right) / 2, (m.left + m.right) / 2);
}

TEST(SkinFrame, MainPagesSwitchAndTheirControlsShow) {
  HeadlessHost host;
  TestFrame main(L"MainWnd.xml");
  ASSERT_TRUE(main.Open());
  PaintManager& pm = main.GetPaintManager();
  auto* pages = pm.FindControl<CTabLayoutUI>(L"mainTabLt");
  main.onNotify = [&](TNotifyUI& msg) {
    if (msg.sType == kNotifyClick && msg.pSender->GetName() == L"customeBtn") pages->SelectItem(1);
    if (msg.sType == kNotifyClick && msg.pSender->GetName() == L"backBtn") pages->SelectItem(0);
  };
  EXPECT_EQ(pages->GetCurSel(), 0);
  EXPECT_TRUE(pm.FindControl(L"defaultInstallBtn")->IsVisible());
  EXPECT_FALSE(pm.FindControl(L"tipLbl")->IsVisible());
  EXPECT_FALSE(pm.FindControl(L"treatyCb")->IsVisible()) << "inside a hidden row";
  EXPECT_TRUE(pm.FindControl<CCheckBoxUI>(L"treatyCb")->IsSelected());

  ASSERT_TRUE(host.Click(main, L"customeBtn"));
  EXPECT_EQ(pages->GetCurSel(), 1);
  EXPECT_TRUE(pm.FindControl(L"installDirEdit")->IsVisible());
  EXPECT_FALSE(pm.FindControl(L"defaultInstallBtn")->IsVisible());
  EXPECT_EQ(main.log, (std::vector<std::wstring>{L"click:customeBtn", L"tabselect:mainTabLt"}));

  // The shape of the installer's page-2 change: progress text, bar and the animation.
  pages->SelectItem(2);
  pm.FindControl<CLabelUI>(L"progressLb")->SetText(L"正在安装中:35%，请稍候...");
  pm.FindControl<CProgressUI>(L"installPrg")->SetValue(35);
  EXPECT_TRUE(pm.HasTimer(pm.FindControl(L"progressAnLb"), TIMER_SEQUENCE)) << "autostart";
  host.AdvanceTime(90);
  EXPECT_EQ(pm.FindControl(L"progressAnLb")->GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\002.png");
  const std::vector<std::wstring> texts = host.VisibleTexts(main);
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"正在安装中:35%，请稍候..."), texts.end());

  pm.FindControl(L"titleGrpCtn")->SetVisible(false);
  EXPECT_FALSE(host.Click(main, L"closebtn")) << "hidden with its group";
  pages->SelectItem(1);
  ASSERT_TRUE(host.TypeText(main, L"installDirEdit", L"/opt/Quorvane"));
  EXPECT_EQ(pm.FindControl(L"installDirEdit")->GetText(), L"/opt/Quorvane");
  ASSERT_TRUE(host.Click(main, L"createDSCb"));
  EXPECT_FALSE(pm.FindControl<CCheckBoxUI>(L"createDSCb")->IsSelected());
}

TEST(SkinFrame, ThePackageAnswersEitherSeparatorAndAnyCase) {
  HeadlessHost host;
  TestFrame main(L"MainWnd.xml");
  ASSERT_TRUE(main.Open());
  PaintManager& pm = main.GetPaintManager();
  EXPECT_NE(pm.GetImage(L"res\\mainWnd\\bg1.png"), nullptr);
  EXPECT_NE(pm.GetImage(L"RES/MAINWND/BG1.PNG"), nullptr);
  EXPECT_EQ(pm.GetImage(L"res\\mainWnd\\bg1.pngx"), nullptr);
  EXPECT_EQ(pm.GetImage(L"res\\common\\closebtn4.png"), nullptr) << "named by the layouts, not in the package";
  EXPECT_EQ(pm.GetImage(L"res\\mainWnd\\bg1.png")->width, 600);
}

}  // namespace
}  // namespace SkinUI
