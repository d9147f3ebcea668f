// The download-and-install coordinator against the package server serving the sample package:
// the stage sequences with and without a previous version, the package clean-up, the choice of
// downloader and the wait for a running product.

#include "install/download_installer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/installer_settings.h"
#include "notification_log.h"
#include "platform/file.h"
#include "platform/path.h"
#include "scratch_folder.h"
#include "tests/support/peers.h"
#include "utils/find_process.h"

namespace {

constexpr wchar_t kTempWorkFolder[] = L"~PlenwickTemp.92482B06FB471E17";

std::vector<int32_t> Distinct(const std::vector<int32_t>& codes) {
  std::vector<int32_t> out;
  for (int32_t c : codes)
    if (out.empty() || out.back() != c) out.push_back(c);
  return out;
}

// The clean-up follows the notification that calls for it, on the stage's thread.
bool BecomesMissing(const std::wstring& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Platform::PathExists(path)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

size_t Count(const std::vector<int32_t>& codes, int32_t code) {
  return static_cast<size_t>(std::count(codes.begin(), codes.end(), code));
}

class CoordinatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Platform::CreateOneDirectory(folder_ / L"tmp"));
    TestSupport::PublishPackage(TestSupport::SamplePackageProgram(), "387", folder_.native() + "/publish");
    server_ = std::make_unique<TestSupport::PackageServer>(folder_.native() + "/publish");
    url_ = Platform::Utf8ToWide(server_->Url("/software/387"));
    savedType_ = Settings().DownloadType;
    savedInsNew_ = Settings().InsNew;
  }
  void TearDown() override {
    Settings().DownloadType = savedType_;
    Settings().InsNew = savedInsNew_;
  }

  // One run to its end, the coordinator destroyed (which waits for every stage): what it sent.
  std::vector<Notification> Run(const std::wstring& installDir, const std::wstring& prevUninstaller = L"") {
    NotificationLog log;
    {
      CDownloadInstaller coordinator(log.Callback(), L"", L"", L"", true, true, true);
      coordinator.SetParameters(url_, L"", prevUninstaller, installDir, true, true, false, false, L"");
      coordinator.Start();
      EXPECT_TRUE(log.WaitFor({2003, 2004, 1004, 5004, 5005}));
      EXPECT_EQ(coordinator.PackagePath(), installDir + L"/__Package_Quorvane.exe");
    }
    return log.Entries();
  }

  static std::vector<int32_t> Codes(const std::vector<Notification>& sent) {
    std::vector<int32_t> codes;
    for (const Notification& n : sent) codes.push_back(n.code);
    return codes;
  }

  ScratchFolder folder_;
  ScopedEnv tmp_{"TMPDIR", folder_.native() + "/tmp"};
  ScopedEnv desktop_{"XDG_DESKTOP_DIR", folder_.native() + "/desktop"};
  ScopedEnv data_{"XDG_DATA_HOME", folder_.native() + "/data"};
  std::unique_ptr<TestSupport::PackageServer> server_;
  std::wstring url_;
  int32_t savedType_ = 1;
  bool savedInsNew_ = false;
};

TEST_F(CoordinatorTest, WithoutAPreviousVersionTheRunBeginsWithTheDownload) {
  const std::wstring dir = folder_ / L"new folder/Quorvane";
  const auto sent = Run(dir);
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.front().code, 1001);
  const std::vector<int32_t> stages = {1001, 1003, 2001, 2002, 2003};
  std::vector<int32_t> seen;
  for (int32_t c : Distinct(Codes(sent)))
    if (std::find(stages.begin(), stages.end(), c) != stages.end() && std::find(seen.begin(), seen.end(), c) == seen.end())
      seen.push_back(c);
  EXPECT_EQ(seen, stages);
  EXPECT_EQ(sent.back(), (Notification{2003, 0, L""}));
  const auto first2002 = std::find_if(sent.begin(), sent.end(), [](const Notification& n) { return n.code == 2002; });
  EXPECT_EQ(first2002->value, 0.0);
  EXPECT_TRUE(Platform::IsRegularFile(dir + L"/Quorvane.exe"));
  EXPECT_FALSE(Platform::PathExists(dir + L"/__Package_Quorvane.exe")) << "the package is removed after installing";
}

TEST_F(CoordinatorTest, APreviousVersionIsUninstalledFromACopyFirst) {
  const std::wstring dir = folder_ / L"Quorvane";
  ASSERT_EQ(Run(dir).back().code, 2003);
  const std::wstring copy = folder_ / (std::wstring(L"tmp/") + kTempWorkFolder + L"/Quorvane_un_asa.exe");
  const auto sent = Run(dir, dir + L"/uninst.ep");
  const std::vector<int32_t> codes = Codes(sent);
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(sent.front(), (Notification{5002, 0, L""}));
  const auto success = std::find(codes.begin(), codes.end(), 5003);
  ASSERT_NE(success, codes.end());
  EXPECT_EQ(*(success + 1), 1001) << "the download starts right after the uninstaller's success";
  EXPECT_TRUE(std::all_of(codes.begin(), success, [](int32_t c) { return c == 5002; }));
  EXPECT_EQ(codes.back(), 2003);
  EXPECT_TRUE(Platform::IsRegularFile(copy));
  EXPECT_TRUE(Platform::IsRegularFile(dir + L"/Quorvane.exe"));
}

TEST_F(CoordinatorTest, AFailedOrMissingUninstallerEndsTheRunBeforeTheDownload) {
  const std::wstring dir = folder_ / L"Quorvane";
  ASSERT_EQ(Run(dir).back().code, 2003);
  server_->Reset();
  struct Case {
    const char* name;
    const char* variable;
    const char* value;
    bool plantFileAsTempFolder;
    Notification last;
  };
  const Case cases[] = {
      {"uninstaller reports failure", "QV_UNINSTALL_FAIL", "1", false, {5005, 0, L"安装包卸载失败"}},
      {"uninstaller exits 3 without a verdict", "QV_UNINSTALL_SILENT_EXIT", "3", false, {5005, 3, L"安装包卸载失败"}},
      {"no private temporary folder for the copy", nullptr, nullptr, true, {5004, 1, L"可执行卸载文件不存在"}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<ScopedEnv> env;
    if (c.variable) env = std::make_unique<ScopedEnv>(c.variable, c.value);
    const std::wstring temp = folder_ / (std::wstring(L"tmp/") + kTempWorkFolder);
    Platform::RemoveTree(temp);
    if (c.plantFileAsTempFolder) {
      ASSERT_TRUE(Platform::WriteFileAtomically(temp, "not a folder"));
    }
    const auto sent = Run(dir, dir + L"/uninst.ep");
    ASSERT_FALSE(sent.empty()) << c.name;
    EXPECT_EQ(sent.back(), c.last) << c.name;
    EXPECT_EQ(Count(Codes(sent), 1001), 0u) << c.name;
    EXPECT_TRUE(server_->RequestLog().empty()) << c.name << ": nothing was downloaded";
    Platform::RemoveTree(temp);
  }
}

TEST_F(CoordinatorTest, FailedDownloadsRemoveThePackageOfThisAndOfTheEarlierRun) {
  Settings().DownloadType = 1;
  server_->SetFault("*", {.status = 404});
  const std::wstring first = folder_ / L"first";
  const std::wstring second = folder_ / L"second";
  NotificationLog log;
  CDownloadInstaller coordinator(log.Callback(), L"", L"", L"", true, true, true);
  coordinator.SetParameters(url_, L"", L"", first, true, true, false, false, L"");
  coordinator.Start();
  ASSERT_TRUE(log.WaitFor({1004}));
  EXPECT_TRUE(BecomesMissing(first + L"/__Package_Quorvane.exe"));

  // Something left at the first path meanwhile goes with the second failure, as the path cleaned last.
  ASSERT_TRUE(Platform::WriteFileAtomically(first + L"/__Package_Quorvane.exe", "stale"));
  ASSERT_TRUE(Platform::CreateOneDirectory(second));
  ASSERT_TRUE(Platform::WriteFileAtomically(second + L"/__Package_Quorvane.exe", "stale"));
  coordinator.SetParameters(url_, L"", L"", second, true, true, false, false, L"");
  coordinator.Start();
  ASSERT_TRUE(log.WaitFor({1004}, 2));
  EXPECT_TRUE(BecomesMissing(second + L"/__Package_Quorvane.exe"));
  EXPECT_TRUE(BecomesMissing(first + L"/__Package_Quorvane.exe"));
  EXPECT_EQ(Count(log.Codes(), 2001), 0u);
}

TEST_F(CoordinatorTest, ADownloadFailedForGoodLeavesNoSegmentFile) {
  // Resumed answers start at byte 0 again and are cut at the same place: the segmented
  // downloader keeps what it got for its retry until its attempts run out, then fails for good.
  Settings().DownloadType = 3;
  server_->SetFault("*", {.dropAfter = 1 << 20, .ignoreRange = true});
  const std::wstring dir = folder_ / L"apps";
  NotificationLog log;
  {
    CDownloadInstaller coordinator(log.Callback(), L"", L"", L"", true, true, true);
    coordinator.SetParameters(url_, L"", L"", dir, true, true, false, false, L"");
    coordinator.Start();
    ASSERT_TRUE(log.WaitFor({1004}));
  }
  EXPECT_EQ(Count(log.Codes(), 1005), 1u) << "the first failed run was retried, resuming its segment";
  const std::wstring package = dir + L"/__Package_Quorvane.exe";
  for (const std::wstring& leftover : {package, package + L".part", package + L"_0", package + L"_1"})
    EXPECT_FALSE(Platform::PathExists(leftover)) << Platform::WideToUtf8(leftover);
}

TEST_F(CoordinatorTest, DownloadTypeChoosesTheDownloader) {
  // The segmented downloader asks for closed byte ranges; the single-stream one never does.
  const std::pair<int32_t, bool> cases[] = {{7, false}, {0, false}, {3, true}};
  for (const auto& [type, segmented] : cases) {
    Settings().DownloadType = type;
    server_->Reset();
    const std::wstring dir = folder_ / (L"type" + std::to_wstring(type));
    ASSERT_EQ(Run(dir).back().code, 2003) << type;
    bool closedRange = false;
    for (const TestSupport::ServedRequest& r : server_->RequestLog())
      if (r.range.size() > 7 && r.range.back() != '-') closedRange = true;
    EXPECT_EQ(closedRange, segmented) << "DownloadType " << type;
  }
}

TEST_F(CoordinatorTest, InsNewWaitsForTheRunningProductBeforeUninstalling) {
  const std::wstring dir = folder_ / L"Quorvane";
  ASSERT_EQ(Run(dir).back().code, 2003);
  // A program named like the product, running for about a second.
  const std::wstring fake = folder_ / L"bin/Quorvane.exe";
  ASSERT_TRUE(Platform::CreateOneDirectory(folder_ / L"bin"));
  ASSERT_TRUE(Platform::CopyFileReplace(L"/bin/sleep", fake));
  ASSERT_TRUE(Platform::MakeExecutable(fake));
  TestSupport::ChildProcess product({Platform::WideToUtf8(fake), "1"});
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Utils::FindProcess(L"Quorvane.exe") == 0 && std::chrono::steady_clock::now() < deadline) {
  }
  ASSERT_NE(Utils::FindProcess(L"Quorvane.exe"), 0u);

  Settings().InsNew = true;
  NotificationLog log;
  CDownloadInstaller coordinator(log.Callback(), L"", L"", L"", true, true, true);
  coordinator.SetParameters(url_, L"", dir + L"/uninst.ep", dir, true, true, false, false, L"");
  const auto before = std::chrono::steady_clock::now();
  coordinator.Start();
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
  EXPECT_EQ(product.WaitFor(std::chrono::milliseconds(0)), 0) << "Start returned while the product still ran";
  ASSERT_TRUE(log.WaitFor({2003, 2004, 1004, 5004, 5005}));
  EXPECT_EQ(log.Entries().front().code, 5002);
}

}  // namespace
