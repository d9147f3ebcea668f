// The main window driven as a user would, through clicks on the headless host, with the real
// coordinator downloading the sample package from the package server and running it: the first
// start, quick and custom installs, an installed version, the running product, the refusals, a
// download failure and its retry, the package's message line and closing the window.

#include <fstream>
#include <sstream>

#include "install/install_records.h"
#include "platform/ini.h"
#include "ui/framework/button.h"
#include "ui/framework/edit.h"
#include "ui/framework/option.h"
#include "ui/framework/progress.h"
#include "ui/framework/window_registry.h"
#include "window_fixture.h"

namespace WindowTest {
namespace {

using SkinUI::CMainWnd;

std::wstring RegistryValue(const wchar_t* name) {
  std::wstring value;
  ReadInstallRecordString(name, value);
  return value;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::wstring EditText(CMainWnd& w) {
  return w.GetPaintManager().FindControl<SkinUI::CEditUI>(L"installDirEdit")->GetText();
}

TEST_F(MainWindowTest, FirstStartQuickInstallRunsToTheFinishedPageAndStartsTheProduct) {
  CMainWnd& w = Open();
  EXPECT_EQ(w.CurrentPage(), SkinUI::kPageQuick);
  EXPECT_EQ(EditText(w), DefaultFolder());
  EXPECT_EQ(host_.FindWindow(L"InstalledPathTipWnd"), nullptr);
  EXPECT_EQ(host_.FindWindow(L"MessageBox1Wnd"), nullptr);

  ASSERT_TRUE(host_.Click(w, L"defaultInstallBtn"));
  EXPECT_EQ(w.CurrentPage(), SkinUI::kPageProgress);
  ASSERT_TRUE(WaitForPage(SkinUI::kPageFinished));

  const std::wstring folder = DefaultFolder();
  EXPECT_EQ(RegistryValue(L"InstallPath"), folder);
  EXPECT_EQ(RegistryValue(L"UnInstallEp"), folder + L"/uninst.ep");
  EXPECT_EQ(Platform::GetPrivateProfileString(L"Install", L"AppName", L"", 64, folder + L"/set.ini"), L"Quorvane");
  EXPECT_EQ(Platform::GetPrivateProfileString(L"Install", L"Language", L"", 64, folder + L"/config.ini"), L"en-US");
  EXPECT_EQ(w.GetPaintManager().FindControl<SkinUI::CProgressUI>(L"installPrg")->GetValue(), 100);
  EXPECT_FALSE(Platform::PathExists(folder + L"/__Package_Quorvane.exe"));
  // The package asks for the automatic start; the product notes every start beside itself.
  ASSERT_TRUE(WaitUntil([&] { return !ReadText(folder + L"/product-runs.log").empty(); }));
  EXPECT_EQ(Lines(ReadText(folder + L"/product-runs.log")).size(), 1u);
  // The bring-to-front timer runs once, the close timer practically never.
  host_.AdvanceTime(3000);
  EXPECT_FALSE(WindowGone());
  ASSERT_TRUE(host_.Click(w, L"openProduceBtn"));
  EXPECT_TRUE(WindowGone()) << "the try-it button closes the installer";
}

TEST_F(MainWindowTest, CustomInstallTakesTheFolderAndTheClearedShortcutBoxes) {
  ScopedEnv argv("QV_PACKAGE_ARGV_FILE", (dir_ / "argv.txt").string());
  CMainWnd& w = Open();
  ASSERT_TRUE(host_.Click(w, L"customeBtn"));
  ASSERT_EQ(w.CurrentPage(), SkinUI::kPageCustom);
  const std::wstring parent = Scratch("my apps/two  spaces");
  w.GetPaintManager().FindControl<SkinUI::CEditUI>(L"installDirEdit")->SetText(L"");
  ASSERT_TRUE(host_.TypeText(w, L"installDirEdit", parent));
  ASSERT_TRUE(host_.Click(w, L"createDSCb"));
  ASSERT_TRUE(host_.Click(w, L"createQSCb"));
  ASSERT_TRUE(host_.Click(w, L"customeInstallBtn"));
  ASSERT_TRUE(WaitForPage(SkinUI::kPageFinished));

  const std::vector<std::string> args = Lines(ReadText(Scratch("argv.txt")));
  const std::string folder = Platform::WideToUtf8(parent + L"/Quorvane");
  auto has = [&](const std::string& a) { return std::find(args.begin(), args.end(), a) != args.end(); };
  EXPECT_TRUE(has("-dsc=false"));
  EXPECT_TRUE(has("-ssc=false"));
  EXPECT_TRUE(has("-instdir=" + folder)) << ReadText(Scratch("argv.txt"));
  EXPECT_TRUE(Platform::IsRegularFile(parent + L"/Quorvane/Quorvane.exe"));
  EXPECT_FALSE(Platform::PathExists(Scratch("desktop/Quorvane.desktop")));
  EXPECT_EQ(RegistryValue(L"InstallPath"), parent + L"/Quorvane");
}

class InstalledVersionTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // A first installation leaves the record, the uninstaller and the product in place.
    CMainWnd& w = Open();
    ASSERT_TRUE(host_.Click(w, L"defaultInstallBtn"));
    ASSERT_TRUE(WaitForPage(SkinUI::kPageFinished));
    window_.reset();
    WaitForNoProduct();
    runsBefore_ = Lines(ReadText(DefaultFolder() + L"/product-runs.log")).size();
  }
  size_t ProductRuns() { return Lines(ReadText(DefaultFolder() + L"/product-runs.log")).size(); }
  size_t runsBefore_ = 0;
};

TEST_F(InstalledVersionTest, ThePromptsThreeAnswers) {
  struct Case {
    const wchar_t* button;
    bool installs;
    bool opensProduct;
  } cases[] = {{L"okBtn", true, false}, {L"cancelBtn", false, true}, {L"closebtn", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Platform::WideToUtf8(c.button));
    const size_t runs = ProductRuns();
    AnswerNextBox(L"InstalledPathTipWnd", c.button);
    CMainWnd& w = Open();
    if (c.installs) {
      EXPECT_EQ(w.CurrentPage(), SkinUI::kPageProgress);
      ASSERT_TRUE(WaitForPage(SkinUI::kPageFinished));
      EXPECT_EQ(w.Records().installPath, DefaultFolder());
    } else {
      EXPECT_TRUE(WaitUntil([&] { return WindowGone(); })) << "the installer closes";
    }
    if (c.opensProduct) {
      EXPECT_TRUE(WaitUntil([&] { return ProductRuns() == runs + 1; }));
    }
    window_.reset();
    WaitForNoProduct();
  }
}

TEST_F(InstalledVersionTest, InsNewInstallsIntoTheRecordedFolderWithoutAsking) {
  Settings().InsNew = true;
  ScopedEnv argv("QV_PACKAGE_ARGV_FILE", (dir_ / "argv.txt").string());
  CMainWnd& w = Open();
  EXPECT_EQ(host_.FindWindow(L"InstalledPathTipWnd"), nullptr);
  EXPECT_EQ(w.CurrentPage(), SkinUI::kPageProgress);
  ASSERT_TRUE(WaitForPage(SkinUI::kPageFinished));
  const std::string args = ReadText(Scratch("argv.txt"));
  EXPECT_NE(args.find("-dsc=true"), std::string::npos);
  EXPECT_NE(args.find("-ssc=true"), std::string::npos);
  EXPECT_NE(args.find("-instdir=" + Platform::WideToUtf8(DefaultFolder())), std::string::npos);
}

TEST_F(InstalledVersionTest, RunningProductShowsTheMessageAndTheQueuedCloseEndsThePrompt) {
  // Counted before the product starts: it writes its line some time after its process exists.
  const size_t runs = ProductRuns();
  // Only this start lingers; the one the installer opens ends at once.
  TestSupport::ChildProcess product(
      {"/bin/sh", "-c", "QV_PRODUCT_LINGER_MS=20000 exec \"$0\"", Platform::WideToUtf8(DefaultFolder() + L"/Quorvane.exe")});
  ASSERT_TRUE(WaitUntil([] { return Utils::FindProcess(kProductExeName) != 0; }));
  std::wstring text;
  AnswerNextBox(L"MessageBox1Wnd", L"closebtn", &text);
  Open();
  EXPECT_EQ(text, SkinUI::kRunningText);
  // The close request was queued before the prompt; the prompt's loop hands it to the main
  // window, which goes and takes the prompt with it. The prompt's result is then 1: the installed
  // product is opened.
  EXPECT_TRUE(WindowGone());
  EXPECT_EQ(host_.FindWindow(L"InstalledPathTipWnd"), nullptr);
  EXPECT_TRUE(WaitUntil([&] { return ProductRuns() >= runs + 2; })) << "the running one and the opened one";
  ::kill(product.pid(), SIGTERM);
}

TEST_F(MainWindowTest, AnUncreatableFolderIsRefusedAndThePageStays) {
  ASSERT_TRUE(Platform::WriteFileAtomically(Scratch("plain-file"), "x"));
  CMainWnd& w = Open();
  ASSERT_TRUE(host_.Click(w, L"customeBtn"));
  w.GetPaintManager().FindControl<SkinUI::CEditUI>(L"installDirEdit")->SetText(Scratch("plain-file/sub"));
  std::wstring text;
  AnswerNextBox(L"MessageBox2Wnd", L"closebtn", &text);
  ASSERT_TRUE(host_.Click(w, L"customeInstallBtn"));
  EXPECT_EQ(text, SkinUI::kInvalidPathText);
  EXPECT_EQ(w.CurrentPage(), SkinUI::kPageCustom);
  EXPECT_TRUE(w.GetPaintManager().FindControl(L"customeInstallBtn")->IsEnabled());
  EXPECT_TRUE(server_->RequestLog().empty()) << "nothing was downloaded";
}

TEST_F(MainWindowTest, ADownloadFailureRetriesWithThePageOneChoices) {
  ScopedEnv argv("QV_PACKAGE_ARGV_FILE", (dir_ / "argv.txt").string());
  server_->SetFault("/software/387", {.status = 404});
  CMainWnd& w = Open();
  ASSERT_TRUE(host_.Click(w, L"customeBtn"));
  ASSERT_TRUE(host_.Click(w, L"createDSCb"));
  // The retry is answered once the server works again.
  AnswerNextBox(L"NetworkTipWnd", L"okBtn", nullptr, [this] { server_->ClearFault("/software/387"); });
  ASSERT_TRUE(host_.Click(w, L"customeInstallBtn"));
  ASSERT_TRUE(WaitForPage(SkinUI::kPageFinished));
  const std::string args = ReadText(Scratch("argv.txt"));
  EXPECT_NE(args.find("-dsc=false"), std::string::npos) << "the cleared box of page 1 is taken again";
  EXPECT_NE(args.find("-ssc=true"), std::string::npos);
}

TEST_F(InstalledVersionTest, LaterAfterADownloadFailureClosesAnInstalledVersionsInstaller) {
  server_->SetFault("/software/387", {.status = 404});
  AnswerNextBox(L"InstalledPathTipWnd", L"okBtn");
  AnswerNextBox(L"NetworkTipWnd", L"cancelBtn");
  Open();
  EXPECT_TRUE(WaitUntil([&] { return WindowGone(); }));
}

// The box runs its own loop, in which the installation's later events are handled: the
// installation ends even while the box is still open.
TEST_F(MainWindowTest, ThePackagesMessageLineShowsABoxWhileTheInstallationGoesOn) {
  ScopedEnv message("QV_PACKAGE_MESSAGE", "请重启电脑");
  CMainWnd& w = Open();
  std::wstring text, caption;
  host_.WhenIdle([&] {
    SkinUI::WindowBase* box = host_.FindWindow(L"MessageBox1Wnd");
    ASSERT_NE(box, nullptr);
    text = BoxText(*box);
    caption = box->GetPaintManager().FindControl<SkinUI::CLabelUI>(L"captionLbl")->GetText();
    host_.Click(*box, L"closebtn");
  });
  ASSERT_TRUE(host_.Click(w, L"defaultInstallBtn"));
  ASSERT_TRUE(WaitForPage(SkinUI::kPageFinished));
  EXPECT_EQ(text, L"请重启电脑");
  EXPECT_EQ(caption, SkinUI::kMessageCaption);
}

TEST_F(MainWindowTest, CloseButtonAsksOnTheFirstPagesAndAltF4IsIgnoredWhileInstalling) {
  CMainWnd& w = Open();
  for (const wchar_t* answer : {L"cancelBtn", L"closebtn"}) {
    AnswerNextBox(L"ExitTipWnd", answer);
    ASSERT_TRUE(host_.Click(w, L"closebtn"));
    EXPECT_FALSE(WindowGone()) << Platform::WideToUtf8(answer);
  }
  ASSERT_TRUE(host_.Click(w, L"customeBtn"));
  AnswerNextBox(L"ExitTipWnd", L"cancelBtn");
  ASSERT_TRUE(host_.Click(w, L"closebtn"));
  EXPECT_FALSE(WindowGone());

  ASSERT_TRUE(host_.Click(w, L"customeInstallBtn"));
  ASSERT_EQ(w.CurrentPage(), SkinUI::kPageProgress);
  EXPECT_FALSE(w.GetPaintManager().FindControl(L"closebtn")->IsVisible()) << "no close button while installing";
  w.PostMessage(SkinUI::WM_CLOSE, 1);
  host_.Pump();
  EXPECT_FALSE(WindowGone());
  ASSERT_TRUE(WaitForPage(SkinUI::kPageFinished));
  ASSERT_TRUE(host_.Click(w, L"closebtn"));
  EXPECT_TRUE(WindowGone()) << "the finished page closes at once";
}

TEST_F(MainWindowTest, YesOnTheExitPromptCloses) {
  CMainWnd& w = Open();
  AnswerNextBox(L"ExitTipWnd", L"okBtn");
  ASSERT_TRUE(host_.Click(w, L"closebtn"));
  EXPECT_TRUE(WindowGone());
}

}  // namespace
}  // namespace WindowTest
