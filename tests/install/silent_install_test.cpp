// The installer program run with -silent=true against the package server serving the sample
// package: installing, updating over an installation, the override rule, and every refusal.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/silent_install.h"
#include "install/install_records.h"
#include "platform/file.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "platform/single_instance.h"
#include "scratch_folder.h"
#include "tests/support/peers.h"
#include "utils/find_process.h"

namespace {

constexpr char kTempWorkFolder[] = "~PlenwickTemp.92482B06FB471E17";

struct InstallerRun {
  int exitCode = -1;
  std::vector<std::string> lines;  // standard output
  std::string errors;              // standard error
  std::string FirstCode() const { return lines.empty() ? "" : lines.front().substr(0, lines.front().find('\t')); }
  bool HasLine(const std::string& line) const {
    for (const std::string& l : lines)
      if (l == line) return true;
    return false;
  }
  size_t IndexOf(const std::string& codePrefix) const {
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].rfind(codePrefix + "\t", 0) == 0) return i;
    return lines.size();
  }
  // The installer's own lines on standard error (the diagnostic log goes there too).
  size_t ReasonLines() const {
    size_t n = 0;
    std::istringstream in(errors);
    for (std::string line; std::getline(in, line);)
      if (line.rfind("quorvane-installer: ", 0) == 0) ++n;
    return n;
  }
};

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

class SilentInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sub : {"tmp", "runtime", "installer"}) ASSERT_TRUE(Platform::CreateOneDirectory(folder_ / Platform::Utf8ToWide(sub)));
    ASSERT_EQ(::chmod((folder_.native() + "/runtime").c_str(), 0700), 0);
    TestSupport::PublishPackage(TestSupport::SamplePackageProgram(), "387", folder_.native() + "/publish");
    server_ = std::make_unique<TestSupport::PackageServer>(folder_.native() + "/publish");
    // A copy of the installer with its settings file beside it.
    installer_ = folder_.native() + "/installer/quorvane-installer";
    ASSERT_TRUE(Platform::CopyFileReplace(Platform::Utf8ToWide(QV_INSTALLER_PATH), Platform::Utf8ToWide(installer_)));
    ASSERT_TRUE(Platform::MakeExecutable(Platform::Utf8ToWide(installer_)));
    const std::wstring settings = folder_ / L"installer/PlenwickInstallerConfig.ini";
    ASSERT_TRUE(Platform::WritePrivateProfileString(L"Install", L"DownloadUrl",
                                                    Platform::Utf8ToWide(server_->Url("/software/387")), settings));
    ASSERT_TRUE(Platform::WritePrivateProfileString(L"Install", L"IsCheckNet", L"false", settings));
    ASSERT_TRUE(Platform::WritePrivateProfileString(L"Install", L"IsEnableAppMetrics", L"false", settings));
  }

  InstallerRun Run(std::vector<std::string> switches, TestSupport::ChildOptions options = {}) {
    std::vector<std::string> argv = {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>\"$QV_TEST_ERRORS\"", installer_, "-silent=true"};
    argv.insert(argv.end(), switches.begin(), switches.end());
    const std::string errors = folder_.native() + "/errors";
    options.environment.emplace_back("QV_TEST_ERRORS", errors);
    TestSupport::ChildProcess child(argv, options);
    InstallerRun run;
    std::istringstream out(child.ReadRest(std::chrono::seconds(60)));
    for (std::string line; std::getline(out, line);) run.lines.push_back(line);
    run.exitCode = child.WaitFor(std::chrono::seconds(60)).value_or(-1);
    run.errors = ReadText(Platform::Utf8ToWide(errors));
    return run;
  }

  std::wstring Recorded(const wchar_t* name) const {
    return Platform::RegistryReadString(kInstallRecordKey, name).value_or(L"<none>");
  }
  std::string ProductRuns(const std::wstring& dir) const { return ReadText(dir + L"/product-runs.log"); }
  bool NoProductRuns() const { return Utils::FindProcess(L"Quorvane.exe") == 0; }
  // The installer starts the product detached and may exit before it runs: wait for its line in
  // the run log, then for it to end, so the next installation does not find it still running.
  void ForgetProductRuns(const std::wstring& dir) const { Platform::RemoveFile(dir + L"/product-runs.log"); }
  bool ProductStartedAndEnded(const std::wstring& dir) const {
    return WaitUntil([&] { return !ProductRuns(dir).empty(); }) && WaitUntil([&] { return NoProductRuns(); });
  }

  ScratchFolder folder_;
  ScopedEnv config_{"XDG_CONFIG_HOME", folder_.native() + "/config"};
  ScopedEnv runtime_{"XDG_RUNTIME_DIR", folder_.native() + "/runtime"};
  ScopedEnv tmp_{"TMPDIR", folder_.native() + "/tmp"};
  ScopedEnv appData_{"APPDATA", folder_.native() + "/appdata"};
  ScopedEnv data_{"XDG_DATA_HOME", folder_.native() + "/data"};
  ScopedEnv desktop_{"XDG_DESKTOP_DIR", folder_.native() + "/desktop"};
  ScopedEnv linger_{"QV_PRODUCT_LINGER_MS", "0"};
  std::unique_ptr<TestSupport::PackageServer> server_;
  std::string installer_;
};

TEST_F(SilentInstallTest, InstallsThenUpdatesOverTheInstallation) {
  const std::wstring dir = folder_ / L"Program Files/Quorvane";

  // A fresh installation into the product's own folder under the chosen one.
  InstallerRun first = Run({"-installdir=" + folder_.native() + "/Program Files"});
  ASSERT_EQ(first.exitCode, 0) << first.errors;
  ASSERT_FALSE(first.lines.empty());
  EXPECT_EQ(first.lines.front(), "1001\t1\t");
  EXPECT_EQ(first.lines.back(), "2003\t0\t");
  EXPECT_LT(first.IndexOf("1003"), first.IndexOf("2001"));
  EXPECT_TRUE(first.HasLine("3000\t0\t" + Platform::WideToUtf8(dir)));
  EXPECT_TRUE(Platform::IsRegularFile(dir + L"/Quorvane.exe"));
  EXPECT_FALSE(Platform::PathExists(dir + L"/__Package_Quorvane.exe"));
  EXPECT_EQ(Recorded(L"InstallPath"), dir);
  EXPECT_EQ(Recorded(L"UnInstallEp"), dir + L"/uninst.ep");
  EXPECT_EQ(Platform::GetPrivateProfileString(L"Install", L"AppName", L"", 64, dir + L"/set.ini"), L"Quorvane");
  EXPECT_EQ(Platform::GetPrivateProfileString(L"Install", L"APPStore", L"", 64, dir + L"/set.ini"), L"quorvane-installer");
  EXPECT_EQ(Platform::GetPrivateProfileString(L"Install", L"Language", L"", 64, dir + L"/config.ini"), L"en-US");
  ASSERT_TRUE(ProductStartedAndEnded(dir)) << "the product was started (style 1)";

  // Over it: the old uninstaller runs first, from its copy in the private temporary folder. The
  // new package says its folder must not be overridden.
  ForgetProductRuns(dir);
  InstallerRun second = Run({}, {.environment = {{"QV_PACKAGE_IS_OVERRIDE", "false"}}});
  ASSERT_EQ(second.exitCode, 0) << second.errors;
  ASSERT_FALSE(second.lines.empty());
  EXPECT_EQ(second.lines.front(), "5002\t0\t");
  ASSERT_LT(second.IndexOf("5003") + 1, second.lines.size());
  EXPECT_EQ(second.lines[second.IndexOf("5003") + 1], "1001\t1\t");
  EXPECT_EQ(second.lines.back(), "2003\t0\t");
  EXPECT_TRUE(Platform::IsRegularFile(folder_ / Platform::Utf8ToWide(std::string("tmp/") + kTempWorkFolder + "/Quorvane_un_asa.exe")));
  EXPECT_TRUE(Platform::IsRegularFile(dir + L"/Quorvane.exe"));
  ASSERT_TRUE(ProductStartedAndEnded(dir));

  // IsOverride=false: installing into the same folder again runs no uninstaller (it would fail).
  ForgetProductRuns(dir);
  InstallerRun third = Run({}, {.environment = {{"QV_UNINSTALL_FAIL", "1"}}});
  ASSERT_EQ(third.exitCode, 0) << third.errors;
  EXPECT_EQ(third.FirstCode(), "1001");
  EXPECT_EQ(third.IndexOf("5002"), third.lines.size());
  ASSERT_TRUE(ProductStartedAndEnded(dir));

  // The third package allowed overriding again: now a failing uninstaller stops the update.
  InstallerRun fourth = Run({}, {.environment = {{"QV_UNINSTALL_FAIL", "1"}}});
  EXPECT_EQ(fourth.exitCode, InstallerExit::kUninstallFailed) << fourth.errors;
  ASSERT_FALSE(fourth.lines.empty());
  EXPECT_EQ(fourth.lines.back(), "5005\t0\t安装包卸载失败");
  EXPECT_EQ(fourth.IndexOf("1001"), fourth.lines.size());
  EXPECT_EQ(fourth.ReasonLines(), 1u) << fourth.errors;
  EXPECT_TRUE(Platform::IsRegularFile(dir + L"/Quorvane.exe"));
}

TEST_F(SilentInstallTest, ARunningProductIsRefused) {
  const std::wstring fake = folder_ / L"bin/Quorvane.exe";
  ASSERT_TRUE(Platform::CreateOneDirectory(folder_ / L"bin"));
  ASSERT_TRUE(Platform::CopyFileReplace(L"/bin/sleep", fake));
  ASSERT_TRUE(Platform::MakeExecutable(fake));
  TestSupport::ChildProcess product({Platform::WideToUtf8(fake), "30"});
  ASSERT_TRUE(WaitUntil([&] { return !NoProductRuns(); }));

  const InstallerRun run = Run({"-installdir=" + folder_.native() + "/apps"});
  EXPECT_EQ(run.exitCode, InstallerExit::kProductRunning);
  EXPECT_TRUE(run.lines.empty());
  EXPECT_EQ(run.ReasonLines(), 1u) << run.errors;
  EXPECT_TRUE(server_->RequestLog().empty());
  product.Terminate();
}

TEST_F(SilentInstallTest, ADownloadThatFailsForGoodLeavesNoPackage) {
  server_->SetFault("*", {.status = 404});
  const InstallerRun run = Run({"-installdir=" + folder_.native() + "/apps"});
  EXPECT_EQ(run.exitCode, InstallerExit::kDownloadFailed);
  ASSERT_FALSE(run.lines.empty());
  EXPECT_EQ(run.lines.back().substr(0, 5), "1004\t");
  EXPECT_EQ(run.ReasonLines(), 1u) << run.errors;
  EXPECT_FALSE(Platform::PathExists(folder_ / L"apps/Quorvane/__Package_Quorvane.exe"));
  EXPECT_EQ(Recorded(L"InstallPath"), L"<none>");
}

TEST_F(SilentInstallTest, RefusalsBeforeAnythingStarts) {
  ASSERT_TRUE(Platform::WriteFileAtomically(folder_ / L"a file", "x"));
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    int exitCode;
  };
  const Case cases[] = {
      {"folder under a file", {"-installdir=" + folder_.native() + "/a file/apps"}, InstallerExit::kFolderNotCreatable},
      {"relative folder", {"-installdir=apps"}, InstallerExit::kUsage},
  };
  for (const Case& c : cases) {
    const InstallerRun run = Run(c.switches);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name;
    EXPECT_TRUE(run.lines.empty()) << c.name;
    EXPECT_EQ(run.ReasonLines(), 1u) << c.name << ": " << run.errors;
  }
  EXPECT_TRUE(server_->RequestLog().empty());
}

TEST_F(SilentInstallTest, AnotherInstallerInTheLogonEndsItAtOnce) {
  Platform::SingleInstanceLock held(L"D1A547DB89C0BC61_Installer_Quorvane");
  ASSERT_TRUE(held.Acquire());
  const auto before = std::chrono::steady_clock::now();
  const InstallerRun run = Run({"-installdir=" + folder_.native() + "/apps"});
  EXPECT_EQ(run.exitCode, InstallerExit::kAnotherInstaller);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
  EXPECT_TRUE(run.lines.empty());
  EXPECT_FALSE(Platform::PathExists(folder_ / L"apps"));
}

TEST(StageLine, OneNotificationOneLine) {
  EXPECT_EQ(FormatStageLine(1002, 0.25, L""), "1002\t0.25\t\n");
  EXPECT_EQ(FormatStageLine(3008, 4294967295.0, L""), "3008\t4294967295\t\n");
  EXPECT_EQ(FormatStageLine(2004, 0, L"disk\tfull\r"), "2004\t0\tdisk full\n");
  EXPECT_EQ(FormatStageLine(3009, 0, L"安装\n完成"), "3009\t0\t安装 完成\n");
}

}  // namespace
