// The installation a user sees: the installer's real window on an X server (Xvfb, no window
// manager), clicked with xdotool, against the package server and the collector on loopback.
// Screenshots of pages 0, 2 and 3 are left in the test's build folder for review.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/file.h"
#include "platform/ini.h"
#include "tests/install/scratch_folder.h"
#include "tests/support/peers.h"
#include "tests/support/x_display.h"

namespace {

namespace fs = std::filesystem;

using TestSupport::PixelOf;

bool IsInstallBlue(const TestSupport::Rgb& c) { return c.b > 200 && c.r < 120 && c.b - c.r > 100; }

bool WaitUntil(const std::function<bool()>& condition, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

std::optional<fs::path> FindFile(const fs::path& root, const std::string& name) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().filename() == name) return it->path();
  return std::nullopt;
}

class GuiInstallationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"Xvfb", "xdotool", "import", "convert"})
      if (!TestSupport::HaveProgram(program)) GTEST_SKIP() << program << " is not installed";
    xserver_ = std::make_unique<TestSupport::XServer>("1280x800x24");
    ASSERT_FALSE(xserver_->Display().empty()) << "Xvfb did not start";

    const TestSupport::PublishedPackage published =
        TestSupport::PublishPackage(TestSupport::SamplePackageProgram(), "387", folder_.native() + "/publish");
    server_ = std::make_unique<TestSupport::PackageServer>(folder_.native() + "/publish");
    // About four seconds of download, so the progress page can be seen.
    server_->SetFault(published.targetPath, {.rate = 400 * 1024});
    collector_ = std::make_unique<TestSupport::Collector>(folder_.native() + "/records.jsonl");

    installer_ = CopyInstaller(QV_INSTALLER_PATH, folder_.native() + "/installer");
    const std::wstring settings = folder_ / L"installer/PlenwickInstallerConfig.ini";
    ASSERT_TRUE(Platform::WritePrivateProfileString(L"Install", L"DownloadUrl", Platform::Utf8ToWide(server_->Url("/software/387")), settings));
    ASSERT_TRUE(Platform::WritePrivateProfileString(L"Install", L"IsCheckNet", L"false", settings));
    ASSERT_TRUE(Platform::WritePrivateProfileString(L"Install", L"MetricsServerUrl", Platform::Utf8ToWide(collector_->Url("/collect?project=pc")), settings));
  }

  void TearDown() override {
    if (installer_process_) installer_process_->Terminate(std::chrono::seconds(2));
    xserver_.reset();
  }

  std::unique_ptr<TestSupport::ChildProcess> StartInstaller() {
    TestSupport::ChildOptions options;
    options.environment.emplace_back("DISPLAY", xserver_->Display());
    options.environment.emplace_back("QV_PRODUCT_LINGER_MS", "0");
    // Whole allocation stacks, so the suppressions see which library an allocation came from.
    options.environment.emplace_back("LSAN_OPTIONS", "suppressions=" QV_GTK_LSAN_SUPPRESSIONS ":fast_unwind_on_malloc=0");
    options.discardStderr = true;
    return std::make_unique<TestSupport::ChildProcess>(std::vector<std::string>{installer_}, options);
  }
  size_t VisibleWindows() {
    std::istringstream ids(X("xdotool search --onlyvisible --name '^Quorvane$'"));
    size_t n = 0;
    for (std::string id; std::getline(ids, id);) n += !id.empty();
    return n;
  }
  bool WaitForWindows(size_t count) {
    return WaitUntil([&] { return VisibleWindows() == count; }, std::chrono::seconds(20));
  }

  std::string X(const std::string& command) { return xserver_->Run(command); }
  std::string Screenshot(const std::string& name) {
    const std::string path = std::string(QV_SCREENSHOT_DIR) + "/" + name;
    X("import -window root '" + path + "'");
    return path;
  }
  void ClickAt(int x, int y) { X("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1"); }

  ScratchFolder folder_;
  ScopedUserFolders userFolders_{folder_.native()};
  std::unique_ptr<TestSupport::XServer> xserver_;
  std::unique_ptr<TestSupport::PackageServer> server_;
  std::unique_ptr<TestSupport::Collector> collector_;
  std::string installer_;
  std::unique_ptr<TestSupport::ChildProcess> installer_process_;
};

TEST_F(GuiInstallationTest, QuickInstallFromTheRealWindow) {
  installer_process_ = StartInstaller();
  ASSERT_TRUE(WaitForWindows(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  // The window appears centred on the 1280x800 screen: its 600x400 client starts at (340,200).
  const int left = 340, top = 200;
  const std::string page0 = Screenshot("gui-page0.png");
  EXPECT_TRUE(IsInstallBlue(PixelOf(page0, left + 300, top + 235))) << "立即安装 is not where page 0 has it";
  EXPECT_FALSE(IsInstallBlue(PixelOf(page0, left + 300, top + 325)));

  // Another program announces the launch twice: only the first one is reported.
  for (int i = 0; i < 2; ++i) EXPECT_EQ(std::system(QV_NOTIFY_PATH " 1224"), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  ClickAt(left + 300, top + 235);  // 立即安装
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const std::string page2 = Screenshot("gui-page2.png");
  EXPECT_FALSE(IsInstallBlue(PixelOf(page2, left + 300, top + 235))) << "still on page 0 after the click";

  std::optional<fs::path> runs;
  ASSERT_TRUE(WaitUntil([&] { return (runs = FindFile(folder_.native() + "/appdata", "product-runs.log")).has_value(); },
                        std::chrono::seconds(60)))
      << "the product was never started";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const std::string page3 = Screenshot("gui-page3.png");
  EXPECT_TRUE(IsInstallBlue(PixelOf(page3, left + 300, top + 325))) << "立即体验 is not shown: not on page 3";
  EXPECT_TRUE(fs::exists(runs->parent_path() / "Quorvane.exe"));

  ClickAt(left + 573, top + 23);  // the close button: page 3 closes at once
  EXPECT_EQ(installer_process_->WaitFor(std::chrono::seconds(20)).value_or(-1), 0);
  installer_process_.reset();

  std::vector<std::string> funnel;
  for (const std::string& line : collector_->Records()) {
    for (const char* key : {"\"pw_task_name\":\"", "\"pw_name\":\""}) {
      const size_t at = line.find(key);
      if (at == std::string::npos) continue;
      const size_t start = at + std::strlen(key);
      funnel.push_back(line.substr(start, line.find('"', start) - start));
    }
  }
  EXPECT_EQ(funnel, (std::vector<std::string>{"下载器启动", "立即安装", "安装中", "开始下载大包", "大包下载完毕", "安装成功"}));
}

TEST_F(GuiInstallationTest, OneInstallerPerLogonAndTheLockDiesWithItsProcess) {
  installer_process_ = StartInstaller();
  ASSERT_TRUE(WaitForWindows(1));

  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(StartInstaller()->WaitFor(std::chrono::seconds(10)).value_or(-1), 255);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
  EXPECT_EQ(VisibleWindows(), 1u) << "the second installer showed something";

  // Killed outright, the first installer cannot release anything itself.
  ::kill(installer_process_->pid(), SIGKILL);
  installer_process_->WaitFor(std::chrono::seconds(10));
  ASSERT_TRUE(WaitForWindows(0));
  installer_process_ = StartInstaller();
  EXPECT_TRUE(WaitForWindows(1)) << "a killed installer blocked the next one";
}

}  // namespace
