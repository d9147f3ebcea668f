#pragma once
// The main window on the headless host with everything real behind it: the package server
// serving the sample package on loopback, the coordinator, the sample package and product as
// child programs, and the per-user folders pointed into a scratch folder of the test's own.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/installer_settings.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "tests/install/scratch_folder.h"
#include "tests/support/peers.h"
#include "ui/framework/headless/headless_host.h"
#include "ui/framework/label.h"
#include "ui/framework/message_queue.h"
#include "ui/framework/tab_layout.h"
#include "ui/main_wnd.h"
#include "utils/find_process.h"

namespace WindowTest {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Settings();
    TestSupport::PublishPackage(TestSupport::SamplePackageProgram(), "387", dir_ / "publish");
    server_ = std::make_unique<TestSupport::PackageServer>(dir_ / "publish");
    Settings().DownloadUrl = Platform::Utf8ToWide(server_->Url("/software/387"));
    Settings().DownloadType = 1;
    Settings().InsNew = false;
    Settings().IsCheckNet = false;
    Settings().DownloadScale = 0.7;
    Settings().Language = 0;
    WaitForNoProduct();
  }
  void TearDown() override {
    window_.reset();
    Settings() = saved_;
  }

  std::wstring Scratch(const std::string& name) const { return Platform::Utf8ToWide((dir_ / name).string()); }
  // Where an elevated administrator installs by default.
  std::wstring DefaultFolder() const { return Scratch("appdata/tovelle/Quorvane"); }

  SkinUI::CMainWnd& Open() {
    window_ = std::make_unique<SkinUI::CMainWnd>(AccountFacts{[] { return true; }, [] { return true; }});
    window_->Create(nullptr, L"Quorvane", SkinUI::WS_OVERLAPPEDWINDOW | SkinUI::WS_VISIBLE, 0);
    host_.Pump();
    return *window_;
  }
  SkinUI::CMainWnd& Window() { return *window_; }
  bool WindowGone() const { return !window_ || !window_->GetHWND(); }

  // Lets the window handle what the workers post until `done` holds (or the time is up).
  bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      host_.Pump();
      if (done()) return true;
      if (std::chrono::steady_clock::now() > end) return false;
      SkinUI::MessageQueue::ForCurrentThread().WaitForPost(20);
    }
  }
  bool WaitForPage(int page) {
    return WaitUntil([&] { return WindowGone() || window_->CurrentPage() == page; }) && !WindowGone();
  }

  // The product of an earlier test may still be running for a moment; its presence changes
  // what the window asks.
  static void WaitForNoProduct() {
    for (int i = 0; i < 100 && Utils::FindProcess(kProductExeName) != 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  // What a dialog of class `name` shows in its text label ("" when it has none).
  static std::wstring BoxText(SkinUI::WindowBase& box) {
    auto* label = box.GetPaintManager().FindControl<SkinUI::CLabelUI>(L"textLbl");
    return label ? label->GetText() : L"";
  }
  // Queues the answer to the next dialog: checks that it is `className`, remembers its text and
  // clicks `button` in it.
  void AnswerNextBox(const std::wstring& className, const std::wstring& button, std::wstring* text = nullptr,
                     std::function<void()> before = {}) {
    host_.WhenIdle([this, className, button, text, before] {
      SkinUI::WindowBase* box = host_.FindWindow(className);
      ASSERT_NE(box, nullptr) << "no dialog " << Platform::WideToUtf8(className);
      if (text) *text = BoxText(*box);
      if (before) before();
      EXPECT_TRUE(host_.Click(*box, button));
    });
  }

  TestSupport::TempDir dir_{"qv-window"};
  ScopedEnv home_{"HOME", (dir_ / "home").string()};
  ScopedEnv config_{"XDG_CONFIG_HOME", (dir_ / "config").string()};
  ScopedEnv data_{"XDG_DATA_HOME", (dir_ / "data").string()};
  ScopedEnv state_{"XDG_STATE_HOME", (dir_ / "state").string()};
  ScopedEnv appData_{"APPDATA", (dir_ / "appdata").string()};
  ScopedEnv desktop_{"XDG_DESKTOP_DIR", (dir_ / "desktop").string()};
  ScopedEnv tmp_{"TMPDIR", dir_.path().string()};
  ScopedEnv linger_{"QV_PRODUCT_LINGER_MS", "0"};
  InstallerSettings saved_{L""};
  std::unique_ptr<TestSupport::PackageServer> server_;
  SkinUI::HeadlessHost host_;
  std::unique_ptr<SkinUI::CMainWnd> window_;
};

}  // namespace WindowTest
