// The package and uninstaller protocols, line by line: which key gives which notification.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/installer.h"
#include "install/uninstaller.h"
#include "notification_log.h"

namespace {

struct LineCase {
  const wchar_t* line;
  std::vector<Notification> sent;
  int verdict;
};

std::vector<Notification> Sent(NotificationLog& log) {
  auto sent = log.Entries();
  log.Clear();
  return sent;
}

TEST(PackageProtocol, EachKeyGivesItsNotification) {
  const std::wstring long5000(5000, L'x');
  const LineCase cases[] = {
      {L"Progress=0.5", {{2002, 0.5, L""}}, 0},
      {L"Progress=oops", {{2002, 0, L""}}, 0},
      {L"InstPath=/opt/Quorvane", {{3000, 0, L"/opt/Quorvane"}}, 0},
      {L"InstPath=", {{3000, 0, L""}}, 0},
      {L"State=Success", {{2003, 0, L""}}, 1},
      {L"State=  Success \r", {{2003, 0, L""}}, 1},
      {L"State=success", {}, 0},
      {L"State=Fail", {{2004, 0, L"安装包安装失败"}}, 1000},
      {L"State=Done", {}, 0},
      {L"ExePath=/opt/Quorvane/Quorvane.exe", {{3001, 0, L"/opt/Quorvane/Quorvane.exe"}}, 0},
      {L"StartExe=/opt/q", {{3001, 0, L"/opt/q"}}, 0},
      {L"UninstExePath=/opt/u", {{3002, 0, L"/opt/u"}}, 0},
      {L"UninstExe=/opt/u2", {{3002, 0, L"/opt/u2"}}, 0},
      {L"UninstEp=/opt/uninst.ep", {{3003, 0, L"/opt/uninst.ep"}}, 0},
      {L"Error=disk full\r", {{2004, 0, L"disk full\r"}}, 1000},
      {L"TopShowDetention=3000", {{3007, 3000, L""}}, 0},
      {L"TopShowDetention=-1", {{3007, 4294967295.0, L""}}, 0},
      {L"FinsihCloseDetention=abc", {{3008, 0, L""}}, 0},
      {L"FinishCloseDetention=5", {}, 0},
      {L"StartUrl=http://x", {{3004, 0, L"http://x"}}, 0},
      {L"StartupStyle=AutoStartup", {{3005, 1, L""}}, 0},
      {L"StartupStyle= UserStartup ", {{3005, 2, L""}}, 0},
      {L"StartupStyle=NonStartup", {{3005, 0, L""}}, 0},
      {L"StartupStyle=Sometimes", {{3005, 0, L""}}, 0},
      {L"Message=请稍候", {{3009, 0, L"请稍候"}}, 0},
      {L"Message=", {{3009, 0, L""}}, 0},
      {L" Progress=0.5", {}, 0},
      {L"progress=0.5", {}, 0},
      {L"InstallVersion=1.7.9", {}, 0},
      {L"", {}, 0},
  };
  NotificationLog log;
  CInstaller installer(log.Callback(), L"\"/p\"", L"/d", true, true, true);
  for (const LineCase& c : cases) {
    EXPECT_EQ(installer.Parse(c.line), c.verdict) << Platform::WideToUtf8(c.line);
    EXPECT_EQ(Sent(log), c.sent) << Platform::WideToUtf8(c.line);
  }
  installer.Parse(L"InstPath=" + long5000);
  const auto sent = Sent(log);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, std::wstring(771, L'x'));
}

TEST(PackageProtocol, InstalledVersionKeepsThePartsItCannotRead) {
  CInstaller installer(nullptr, L"\"/p\"", L"/d", true, true, true);
  installer.Parse(L"InstallVersion=1.7.9");
  installer.Parse(L"InstallVersion=2.x.5");
  const int* v = installer.InstalledVersion();
  EXPECT_EQ((std::vector<int>{v[0], v[1], v[2]}), (std::vector<int>{2, 7, 9}));
}

TEST(PackageProtocol, EncodeSelectsTheCodePageOfTheFollowingLines) {
  const std::pair<const wchar_t*, uint32_t> cases[] = {
      {L"Encode=UTF8", 65001u}, {L"Encode= ACP ", 0u}, {L"Encode=936", 936u},
      {L"Encode=utf8", 0u},     {L"Encode=", 0u},       {L"Encode=99999999999", 0xFFFFFFFFu},
  };
  for (const auto& [line, page] : cases) {
    CInstaller installer(nullptr, L"\"/p\"", L"/d", true, true, true);
    installer.Parse(line);
    EXPECT_EQ(installer.CodePage(), page) << Platform::WideToUtf8(line);
  }
  // GBK bytes of "安装" after "Encode=936"; a page the system does not know decodes to nothing.
  NotificationLog log;
  CInstaller installer(log.Callback(), L"\"/p\"", L"/d", true, true, true);
  installer.ParseLineBytes("Encode=936");
  installer.ParseLineBytes("Message=\xB0\xB2\xD7\xB0");
  installer.ParseLineBytes("Encode=-3");
  installer.ParseLineBytes("State=Success");
  EXPECT_EQ(Sent(log), (std::vector<Notification>{{3009, 0, L"安装"}}));
}

TEST(UninstallProtocol, OnlyItsFourKeysCount) {
  const LineCase cases[] = {
      {L"Progress=0.25", {{5002, 0.25, L""}}, 0},
      {L"Progress=", {{5002, 0, L""}}, 0},
      {L"Error=cannot remove", {{5005, 0, L"cannot remove"}}, 1000},
      {L"State=Success", {{5003, 0, L""}}, 1},
      {L"State= Fail", {{5005, 0, L"安装包卸载失败"}}, 1000},
      {L"State=success", {}, 0},
      {L"InstPath=/opt", {}, 0},
      {L"Message=hello", {}, 0},
  };
  NotificationLog log;
  CUnInstaller uninstaller(log.Callback(), L"/u", L"/d");
  for (const LineCase& c : cases) {
    EXPECT_EQ(uninstaller.Parse(c.line), c.verdict) << Platform::WideToUtf8(c.line);
    EXPECT_EQ(Sent(log), c.sent) << Platform::WideToUtf8(c.line);
  }
  const std::pair<const wchar_t*, uint32_t> pages[] = {{L"Encode=UTF8", 65001u}, {L"Encode=936", 0u}, {L"Encode=ACP", 0u}};
  for (const auto& [line, page] : pages) {
    CUnInstaller u(nullptr, L"/u", L"/d");
    u.Parse(line);
    EXPECT_EQ(u.CodePage(), page) << Platform::WideToUtf8(line);
  }
}

}  // namespace
