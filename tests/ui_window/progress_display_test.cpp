// What the progress page shows for the stage events the coordinator posts: the download's and the
// installation's shares of the bar, the label's formats, the failure boxes and their effect on
// the bar, the facts of the package and the finishing timers; and how pages 2 and 3 look.

#include "ui/framework/progress.h"
#include "ui/framework/window_registry.h"
#include "window_fixture.h"

namespace WindowTest {
namespace {

using SkinUI::CMainWnd;

class ProgressDisplayTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Open();
    ShowPage(SkinUI::kPageProgress);
  }
  void Post(int32_t code, double value = 0, const std::wstring& text = L"") {
    auto event = std::make_shared<SkinUI::InstallerEvent>(SkinUI::InstallerEvent{code, value, text});
    SkinUI::InstallerEvent* raw = event.get();
    ASSERT_TRUE(SkinUI::PostMessageOwned(Window().GetHWND(), SkinUI::WM_INSTALLER_EVENT, 0, std::move(event),
                                         reinterpret_cast<SkinUI::LPARAM>(raw)));
    host_.Pump();
  }
  void ShowPage(int page) { Window().GetPaintManager().FindControl<SkinUI::CTabLayoutUI>(L"mainTabLt")->SelectItem(page); }
  int Bar() { return Window().GetPaintManager().FindControl<SkinUI::CProgressUI>(L"installPrg")->GetValue(); }
  std::wstring Label() { return Window().GetPaintManager().FindControl<SkinUI::CLabelUI>(L"progressLb")->GetText(); }
};

TEST_F(ProgressDisplayTest, DownloadShareAndTheLabelsPatienceAfterAMinute) {
  Post(1001);
  Post(1002, 0.5);
  EXPECT_EQ(Bar(), 35);
  EXPECT_EQ(Label(), L"正在安装中:35%，请稍候...");
  host_.AdvanceTime(60000);
  Post(1002, 0.5);
  EXPECT_EQ(Label(), L"正在安装中:35%，请稍候...") << "exactly a minute is not yet more than one";
  host_.AdvanceTime(1000);
  Post(1002, 0.5);
  EXPECT_EQ(Label(), L"正在安装中:35%，请耐心等待...");
}

TEST_F(ProgressDisplayTest, LabelUserDataIsTheFormatWhenItIsASafeOne) {
  auto* label = Window().GetPaintManager().FindControl<SkinUI::CLabelUI>(L"progressLb");
  struct Case {
    const wchar_t* userData;
    const wchar_t* shown;
  } cases[] = {
      {L"已完成 %d%%", L"已完成 35%"},
      {L"%d", L"35"},
      // Conversions that would read arguments that are not there fall back to the built-in format.
      {L"%s%s%s", L"正在安装中:35%，请稍候..."},
      {L"%d and %d", L"正在安装中:35%，请稍候..."},
      {L"100%", L"正在安装中:35%，请稍候..."},
  };
  for (const Case& c : cases) {
    label->SetUserData(c.userData);
    Post(1002, 0.5);
    EXPECT_EQ(Label(), c.shown) << Platform::WideToUtf8(c.userData);
  }
}

TEST_F(ProgressDisplayTest, InstallShareMovesAtLeastAStepPerEventAndStaysBelowTheEnd) {
  Post(1001);
  Post(1002, 1.0);
  EXPECT_EQ(Bar(), 70);
  std::vector<int> shown;
  for (int i = 0; i < 9; ++i) {
    Post(2002, 0.0);
    shown.push_back(Bar());
  }
  EXPECT_EQ(std::vector<int>(shown.begin(), shown.begin() + 3), (std::vector<int>{74, 78, 83}));
  for (size_t i = 6; i < shown.size(); ++i) EXPECT_EQ(shown[i], 98) << i;
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
  EXPECT_EQ(Label(), L"正在安装中:98%，请稍候...");
}

TEST_F(ProgressDisplayTest, AFirstInstallValueAboveTheStepIsTaken) {
  Post(2002, 0.9);
  EXPECT_EQ(Bar(), 97);
}

TEST_F(ProgressDisplayTest, InstallFailureResetsTheBarOnlyPastTheDownloadShare) {
  struct Case {
    double downloaded;  // 1002 value
    double installed;   // 2002 value, negative for none
    const wchar_t* reason;
    int barBefore;
    const wchar_t* boxText;
    int barAfter;
  } cases[] = {
      {1.0, 0.1667, L"", 75, L"安装失败", 0},
      {0.58, -1, L"磁盘已满", 40, L"磁盘已满", 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.barBefore);
    ShowPage(SkinUI::kPageProgress);
    Post(1002, c.downloaded);
    if (c.installed >= 0) Post(2002, c.installed);
    ASSERT_EQ(Bar(), c.barBefore);
    const std::wstring labelBefore = Label();
    std::wstring text;
    AnswerNextBox(L"MessageBox2Wnd", L"closebtn", &text);
    Post(2004, 7, c.reason);
    EXPECT_EQ(text, c.boxText);
    EXPECT_EQ(Bar(), c.barAfter);
    EXPECT_EQ(Label(), c.barAfter == 0 ? L"正在安装中:0%，请稍候..." : labelBefore);
    EXPECT_EQ(Window().CurrentPage(), SkinUI::kPageQuick);
  }
}

TEST_F(ProgressDisplayTest, UninstallFailureShowsTheRunningMessageAndReturns) {
  std::wstring text;
  AnswerNextBox(L"MessageBox1Wnd", L"closebtn", &text);
  Post(5005, 1);
  EXPECT_EQ(text, SkinUI::kRunningText);
  EXPECT_EQ(Window().CurrentPage(), SkinUI::kPageQuick);
  EXPECT_FALSE(WindowGone()) << "no version installed: the installer stays";
}

TEST_F(ProgressDisplayTest, PackageFactsDecideTheFinishAndItsTimers) {
  const std::wstring folder = Scratch("facts");
  ASSERT_TRUE(Platform::CreateOneDirectory(folder));
  Post(3000, 0, folder);
  Post(3001, 0, folder + L"/nothing.exe");
  Post(3004, 0, L"https");  // five characters: not opened
  Post(3005, 0);
  Post(3007, 0);
  Post(3008, 500);
  Post(2003);
  EXPECT_EQ(Window().CurrentPage(), SkinUI::kPageFinished);
  EXPECT_EQ(Bar(), 100);
  EXPECT_EQ(Window().Records().installPath, folder);
  std::wstring recorded;
  ReadInstallRecordString(L"InstallPath", recorded);
  EXPECT_EQ(recorded, folder);
  host_.AdvanceTime(499);
  EXPECT_FALSE(WindowGone());
  host_.AdvanceTime(1);
  EXPECT_TRUE(WindowGone()) << "the auto-close delay of the package";
}

TEST_F(ProgressDisplayTest, EventsWithoutARecordOrOfUnknownCodesChangeNothing) {
  Post(1002, 0.5);
  ASSERT_TRUE(Window().PostMessage(SkinUI::WM_INSTALLER_EVENT, 0, 0));
  host_.Pump();
  Post(4242, 0.9, L"?");
  Post(1005, 0.9);
  EXPECT_EQ(Bar(), 35);
}

// Renders pages 2 and 3 for a person to look at (written beside the test program).
TEST_F(ProgressDisplayTest, RendersTheProgressAndFinishedPages) {
  Post(1001);
  Post(1002, 0.715);
  host_.AdvanceTime(600);
  ASSERT_EQ(Bar(), 50);
  EXPECT_TRUE(host_.SavePng(Window(), L"main-window-progress.png"));
  const SkinUI::Bitmap progress = host_.Render(Window());
  Post(2003);
  const SkinUI::Bitmap finished = host_.Render(Window());
  EXPECT_TRUE(host_.SavePng(Window(), L"main-window-finished.png"));
  ASSERT_EQ(progress.width, 600);
  ASSERT_EQ(finished.width, 600);
}

}  // namespace
}  // namespace WindowTest
