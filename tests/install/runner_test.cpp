// The package and uninstaller runners with the real sample package and its uninstaller: what the
// children receive, what they report, and the ways a child can misbehave on its streams.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/installer_settings.h"
#include "install/installer.h"
#include "install/uninstaller.h"
#include "notification_log.h"
#include "platform/file.h"
#include "scratch_folder.h"
#include "tests/support/peers.h"
#include "utils/accounts.h"

namespace {

using Env = std::vector<std::pair<std::string, std::string>>;

std::vector<std::string> ReadLines(const std::wstring& file) {
  std::vector<std::string> lines;
  std::ifstream in(Platform::WideToUtf8(file));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

size_t Count(const std::vector<Notification>& sent, int32_t code) {
  return static_cast<size_t>(std::count_if(sent.begin(), sent.end(), [&](const Notification& n) { return n.code == code; }));
}

const Notification* Find(const std::vector<Notification>& sent, int32_t code) {
  for (const Notification& n : sent)
    if (n.code == code) return &n;
  return nullptr;
}

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    package_ = folder_ / L"download dir/__Package_Quorvane.exe";
    ASSERT_TRUE(Platform::CreateOneDirectory(folder_ / L"download dir"));
    ASSERT_TRUE(Platform::CopyFileReplace(Platform::Utf8ToWide(TestSupport::SamplePackageProgram().string()), package_));
  }

  // One package run to its end (the runner joined): every notification it sent.
  std::vector<Notification> RunPackage(const Env& env, const std::wstring& installDir, bool dsc = true, bool ssc = true,
                                       bool adminact = false, const std::wstring& inslang = L"") {
    std::vector<std::unique_ptr<ScopedEnv>> scoped;
    for (const auto& [name, value] : env) scoped.push_back(std::make_unique<ScopedEnv>(name.c_str(), value));
    NotificationLog log;
    {
      CInstaller installer(log.Callback(), L"\"" + package_ + L"\"", installDir, dsc, ssc, adminact);
      installer.SetLanguage(inslang);
      installer.Start();
      lastCommandLine_ = installer.CommandLine();
    }
    return log.Entries();
  }

  // Installs the product with the package, then runs its uninstaller (from a copy, as the
  // coordinator does) to its end.
  std::vector<Notification> RunUninstaller(const Env& env, const std::wstring& copyName = L"Quorvane_un_asa.exe") {
    const std::wstring installed = folder_ / L"installed";
    const auto install = RunPackage({}, installed);
    EXPECT_EQ(install.back().code, 2003);
    CopyInto(installed + L"/uninst.ep", folder_ / L"temp dir", copyName);
    std::vector<std::unique_ptr<ScopedEnv>> scoped;
    for (const auto& [name, value] : env) scoped.push_back(std::make_unique<ScopedEnv>(name.c_str(), value));
    NotificationLog log;
    {
      CUnInstaller uninstaller(log.Callback(), folder_ / (L"temp dir/" + copyName), installed);
      uninstaller.Start();
      lastCommandLine_ = uninstaller.CommandLine();
    }
    return log.Entries();
  }

  static void CopyInto(const std::wstring& from, const std::wstring& dir, const std::wstring& name) {
    if (!Platform::IsDirectory(dir)) {
      EXPECT_TRUE(Platform::CreateOneDirectory(dir));
    }
    EXPECT_TRUE(Platform::CopyFileReplace(from, dir + L"/" + name));
  }

  ScratchFolder folder_;
  // The package's desktop and application entries stay in the scratch folder.
  ScopedEnv desktop_{"XDG_DESKTOP_DIR", folder_.native() + "/desktop"};
  ScopedEnv data_{"XDG_DATA_HOME", folder_.native() + "/data"};
  std::wstring package_;
  std::wstring lastCommandLine_;
};

TEST_F(RunnerTest, PackageInstallsAndReportsItsFacts) {
  const std::wstring dir = folder_ / L"Quorvane";
  const auto sent = RunPackage({}, dir);
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(sent[0], (Notification{2001, 0, L""}));
  EXPECT_EQ(sent[1], (Notification{2002, 0, L""}));
  EXPECT_EQ(sent.back(), (Notification{2003, 0, L""}));
  EXPECT_EQ(Count(sent, 2003), 1u) << "a verdict line leaves no second success at the end";
  EXPECT_EQ(Count(sent, 2004), 0u);
  const std::vector<Notification> facts = {
      {3000, 0, dir},
      {3001, 0, dir + L"/Quorvane.exe"},
      {3002, 0, dir + L"/uninst.ep"},
      {3003, 0, dir + L"/uninst.ep"},
      {3005, 1, L""},
      {3007, 3000, L""},
      {3008, 4294967295.0, L""},
  };
  for (const Notification& fact : facts) {
    const Notification* got = Find(sent, fact.code);
    ASSERT_NE(got, nullptr) << fact;
    EXPECT_EQ(*got, fact);
  }
  EXPECT_TRUE(Platform::IsRegularFile(dir + L"/Quorvane.exe"));
  EXPECT_TRUE(Platform::IsRegularFile(dir + L"/uninst.ep"));
}

TEST_F(RunnerTest, PackageCommandLineCarriesTheChoicesAndTheFolderTwice) {
  const std::wstring argvFile = folder_ / L"argv";
  const std::wstring dir = folder_ / L"Program  Files/Quorvane";
  const std::string savedCmd = Platform::WideToUtf8(Settings().InstCmd);
  Settings().InstCmd = L"-channel=demo -quiet";
  RunPackage({{"QV_PACKAGE_ARGV_FILE", Platform::WideToUtf8(argvFile)}}, dir, false, true, true, L"zh-CN");
  Settings().InstCmd = Platform::Utf8ToWide(savedCmd);

  EXPECT_EQ(lastCommandLine_, L"\"" + package_ + L"\" /S -console=show -version=1.0.0 -adminact=true "
                              L"-authorizationact=true -dsc=false -ssc=true -inslang=\"zh-CN\" -channel=demo -quiet "
                              L"-instdir=\"" + dir + L"\" /D=" + dir);
  const std::string d = Platform::WideToUtf8(dir);
  const size_t gap = d.find("  ");
  const std::vector<std::string> expected = {
      Platform::WideToUtf8(package_), "/S", "-console=show", "-version=1.0.0", "-adminact=true",
      "-authorizationact=true", "-dsc=false", "-ssc=true", "-inslang=zh-CN", "-channel=demo", "-quiet",
      "-instdir=" + d, "/D=" + d.substr(0, gap), d.substr(gap + 2)};
  EXPECT_EQ(ReadLines(argvFile), expected);
}

TEST_F(RunnerTest, PackageWithoutFolderOrLanguageLeavesTheirSwitchesOut) {
  RunPackage({}, L"");
  EXPECT_EQ(lastCommandLine_, L"\"" + package_ + L"\" /S -console=show -version=1.0.0 -adminact=false "
                              L"-authorizationact=true -dsc=true -ssc=true");
}

struct PackageCase {
  const char* name;
  Env env;
  std::vector<Notification> expected;  // in this order among the notifications (others may come between)
  std::vector<int32_t> absent;         // codes that must not appear
};

TEST_F(RunnerTest, PackageProtocolOverARealPipe) {
  const std::wstring dir = folder_ / L"Quorvane";
  const std::wstring x771(771, L'x');
  const PackageCase cases[] = {
      {"failure state", {{"QV_PACKAGE_FAIL", "1"}}, {{2004, 0, L"安装包安装失败"}}, {2003}},
      {"error and failure state in one write",
       {{"QV_PACKAGE_ERROR", "disk full"}, {"QV_PACKAGE_FAIL", "1"}},
       {{2004, 0, L"disk full"}, {2004, 0, L"安装包安装失败"}},
       {2003}},
      {"nothing printed, exit 0", {{"QV_PACKAGE_SILENT_EXIT", "0"}}, {{2001, 0, L""}, {2002, 0, L""}, {2003, 1, L""}}, {2004}},
      {"nothing printed, exit 5", {{"QV_PACKAGE_SILENT_EXIT", "5"}}, {{2002, 0, L""}, {2004, 5, L"安装包安装失败"}}, {2003}},
      {"lower-case success ignored, spaced Success counts",
       {{"QV_PACKAGE_LINES", "State=success\nState=  Success \r\n"}},
       {{2003, 0, L""}, {2002, 1, L""}, {2003, 0, L""}},
       {2004}},
      {"-1 delay, unknown style, empty folder",
       {{"QV_PACKAGE_TOP_SHOW", "-1"}, {"QV_PACKAGE_STARTUP_STYLE", "Sometimes"}, {"QV_PACKAGE_LINES", "InstPath=\n"}},
       {{3005, 0, L""}, {3007, 4294967295.0, L""}, {3000, 0, L""}, {2003, 0, L""}},
       {}},
      {"GBK after Encode=936", {{"QV_PACKAGE_ENCODE", "936"}, {"QV_PACKAGE_MESSAGE", "安装完成，请重启"}},
       {{3009, 0, L"安装完成，请重启"}, {2003, 0, L""}}, {}},
      {"UTF-8 after Encode=UTF8", {{"QV_PACKAGE_MESSAGE", "欢迎使用"}}, {{3009, 0, L"欢迎使用"}}, {}},
      {"character split between writes", {{"QV_PACKAGE_SPLIT_CHAR", "1"}, {"QV_PACKAGE_MESSAGE", "é安装"}},
       {{3009, 0, L"é安装"}, {2003, 0, L""}}, {}},
      {"lines split across writes", {{"QV_PACKAGE_SPLIT_WRITES", "3"}, {"QV_PACKAGE_SPLIT_PAUSE_MS", "2"}},
       {{3000, 0, dir}, {3001, 0, dir + L"/Quorvane.exe"}, {3007, 3000, L""}, {2003, 0, L""}}, {}},
      {"5,000-character value", {{"QV_PACKAGE_LONG_VALUE", "5000"}}, {{3009, 0, x771}, {2003, 0, L""}}, {}},
      {"unknown code page: nothing more is understood",
       {{"QV_PACKAGE_ENCODE", "99999999999"}},
       {{2001, 0, L""}, {2002, 0, L""}, {2003, 1, L""}},
       {3000}},
      {"progress after the verdict is still read", {{"QV_PACKAGE_AFTER_VERDICT", "200000"}},
       {{2003, 0, L""}, {2002, 1, L""}}, {2004}},
      {"flood on standard output", {{"QV_PACKAGE_FLOOD_STDOUT", "2000000"}}, {{2003, 0, L""}}, {2004}},
      {"flood on standard error", {{"QV_PACKAGE_FLOOD_STDERR", "2000000"}}, {{2003, 0, L""}}, {2004}},
  };
  for (const PackageCase& c : cases) {
    Platform::RemoveTree(dir);
    const auto sent = RunPackage(c.env, dir);
    auto at = sent.begin();
    for (const Notification& n : c.expected) {
      at = std::find(at, sent.end(), n);
      EXPECT_NE(at, sent.end()) << c.name << ": missing or out of order " << n;
      if (at == sent.end()) break;
      ++at;
    }
    for (int32_t code : c.absent) EXPECT_EQ(Count(sent, code), 0u) << c.name << ": " << code;
    EXPECT_EQ(sent.front().code, 2001) << c.name;
  }
}

TEST_F(RunnerTest, PackageThatCannotStartIsAStartFailure) {
  struct Case {
    const char* name;
    std::wstring package;
    std::wstring dir;
  };
  const Case cases[] = {
      {"missing program", folder_ / L"missing/__Package_Quorvane.exe", folder_ / L"Quorvane"},
      {"command line over 1,023 characters", package_, folder_ / (L"Quorvane" + std::wstring(600, L'x'))},
  };
  for (const Case& c : cases) {
    NotificationLog log;
    {
      CInstaller installer(log.Callback(), L"\"" + c.package + L"\"", c.dir, true, true, true);
      installer.Start();
    }
    EXPECT_EQ(log.Entries(), (std::vector<Notification>{{2001, 0, L""}, {2002, 0, L""}, {2004, 2, L""}})) << c.name;
  }
}

TEST_F(RunnerTest, RunnerIsStartedAgainForTheNextRun) {
  NotificationLog log;
  CInstaller installer(log.Callback(), L"\"" + package_ + L"\"", folder_ / L"one", true, true, true);
  installer.Start();
  ASSERT_TRUE(log.WaitFor({2003, 2004}));
  installer.SetInstallDir(folder_ / L"two");
  installer.Start();  // joins the first run
  ASSERT_TRUE(log.WaitFor({2003, 2004}, 2));
  EXPECT_TRUE(Platform::IsRegularFile(folder_ / L"two/Quorvane.exe"));
}

TEST_F(RunnerTest, UninstallerRemovesTheInstallation) {
  const auto sent = RunUninstaller({});
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent.front(), (Notification{5002, 0, L""}));
  EXPECT_EQ(sent.back(), (Notification{5003, 0, L""}));
  EXPECT_EQ(Count(sent, 5003), 1u);
  EXPECT_FALSE(Platform::PathExists(folder_ / L"installed/Quorvane.exe"));
}

TEST_F(RunnerTest, UninstallerCommandLineQuotesTheProgram) {
  const std::wstring argvFile = folder_ / L"argv";
  RunUninstaller({{"QV_UNINSTALL_ARGV_FILE", Platform::WideToUtf8(argvFile)}});
  std::wstring user;
  const bool consoleAdmin = Utils::GetConsoleUserName(user) && Utils::IsAdminAccount(user);
  const std::wstring flags = std::wstring(L" /S -adminact=") + (consoleAdmin ? L"true" : L"false") +
                             L" -authorizationact=" + (Utils::IsRunAsAdmin() ? L"true" : L"false");
  const std::wstring copy = folder_ / L"temp dir/Quorvane_un_asa.exe";
  const std::wstring installed = folder_ / L"installed";
  EXPECT_EQ(lastCommandLine_, L"\"" + copy + L"\"" + flags + L" -console=show _?=" + installed);
  const std::vector<std::string> lines = ReadLines(argvFile);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), Platform::WideToUtf8(copy));
  EXPECT_EQ(lines.back(), "_?=" + Platform::WideToUtf8(installed));
}

TEST_F(RunnerTest, UninstallerOutcomes) {
  struct Case {
    const char* name;
    Env env;
    std::vector<Notification> expected;
    std::vector<int32_t> absent;
  };
  const Case cases[] = {
      {"failure state", {{"QV_UNINSTALL_FAIL", "1"}}, {{5002, 0, L""}, {5005, 0, L"安装包卸载失败"}}, {5003}},
      {"error line", {{"QV_UNINSTALL_ERROR", "in use"}}, {{5005, 0, L"in use"}}, {5003}},
      {"nothing printed, exit 0", {{"QV_UNINSTALL_SILENT_EXIT", "0"}}, {{5002, 0, L""}, {5003, 1, L""}}, {5005}},
      {"nothing printed, exit 4", {{"QV_UNINSTALL_SILENT_EXIT", "4"}}, {{5002, 0, L""}, {5005, 4, L"安装包卸载失败"}}, {5003}},
      {"progress after success", {{"QV_UNINSTALL_AFTER_VERDICT", "100000"}}, {{5003, 0, L""}, {5002, 1, L""}}, {5005}},
      {"Encode=936 keeps the ANSI page", {{"QV_UNINSTALL_ENCODE", "936"}, {"QV_UNINSTALL_ERROR", "ok"}},
       {{5005, 0, L"ok"}}, {}},
  };
  for (const Case& c : cases) {
    const auto sent = RunUninstaller(c.env);
    auto at = sent.begin();
    for (const Notification& n : c.expected) {
      at = std::find(at, sent.end(), n);
      EXPECT_NE(at, sent.end()) << c.name << ": missing or out of order " << n;
      if (at == sent.end()) break;
      ++at;
    }
    for (int32_t code : c.absent) EXPECT_EQ(Count(sent, code), 0u) << c.name << ": " << code;
    if (c.expected.back().code == 5003) {
      EXPECT_EQ(Count(sent, 5003), 1u) << c.name;
    }
  }
}

TEST_F(RunnerTest, UninstallerThatIsMissingOrCannotStart) {
  NotificationLog missing;
  { CUnInstaller(missing.Callback(), folder_ / L"nowhere/Quorvane_un_asa.exe", folder_ / L"installed").Start(); }
  EXPECT_EQ(missing.Entries(), (std::vector<Notification>{{5004, 1, L"可执行卸载文件不存在"}}));

  // A copy that is no program, and a command line that is too long.
  ASSERT_TRUE(Platform::WriteFileAtomically(folder_ / L"not a program", "just text"));
  const std::pair<std::wstring, std::wstring> cases[] = {
      {folder_ / L"not a program", folder_ / L"installed"},
      {package_, folder_ / std::wstring(1000, L'y')},
  };
  for (const auto& [program, dir] : cases) {
    NotificationLog log;
    { CUnInstaller(log.Callback(), program, dir).Start(); }
    EXPECT_EQ(log.Entries(), (std::vector<Notification>{{5002, 0, L""}, {5004, 2, L""}})) << Platform::WideToUtf8(program);
  }
}

}  // namespace
