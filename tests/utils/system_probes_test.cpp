// The probes that ask the system: version, running programs, accounts, GUID text.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utmp.h>

#include <cstring>
#include <fstream>
#include <set>
#include <string>

#include "platform/codepage.h"
#include "platform/posix/console_user.h"
#include "tests/utils/temp_folder.h"
#include "utils/accounts.h"
#include "utils/find_process.h"
#include "utils/guid_string.h"
#include "utils/os_version.h"
#include "utils/process.h"

namespace {

namespace fs = std::filesystem;

TEST(OsVersionTest, WindowsVersionNames) {
  struct Case {
    uint32_t major, minor, build;
    bool serverR2;
    const wchar_t* name;
  } cases[] = {
      {0, 0, 0, false, L"XP-"},           {4, 10, 1998, false, L"XP-"},
      {5, 0, 2195, false, L"2K"},         {5, 1, 2600, false, L"XP"},
      {5, 2, 3790, false, L"Server 2003"}, {5, 2, 3790, true, L"Server 2003 R2"},
      {5, 3, 0, false, L"XP+"},           {6, 0, 6002, false, L"Vista"},
      {6, 1, 7601, false, L"7"},          {6, 2, 9200, false, L"8"},
      {6, 3, 9600, false, L"8.1"},        {6, 4, 9841, false, L"8.1+"},
      {10, 0, 19045, false, L"10"},       {10, 0, 22000, false, L"10"},  // Windows 11 says 10.0
      {10, 1, 0, false, L"10+"},          {7, 0, 1, false, L"7.0.1"},
      {11, 0, 22000, false, L"11.0.22000"},
      // The build number arrives with flag bits above its low 16 bits.
      {12, 3, 0xF0005A3Cu, false, L"12.3.23100"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utils::WindowsVersionName(c.major, c.minor, c.build, c.serverR2), c.name)
        << c.major << "." << c.minor << "." << c.build;
}

TEST(OsVersionTest, ThisSystemIsLinuxWithItsKernelRelease) {
  std::wstring family = L"stale", version = L"stale";
  Utils::GetOsVersionName(family, version);
  std::ifstream releaseFile("/proc/sys/kernel/osrelease");
  std::string release;
  std::getline(releaseFile, release);
  EXPECT_EQ(family, L"Linux");
  EXPECT_EQ(version, Platform::AnsiToWide(release));
  EXPECT_EQ(version.find(L"XP"), std::wstring::npos);
#if defined(__x86_64__) || defined(__aarch64__)
  EXPECT_TRUE(Utils::IsWow64());
#endif
}

TEST(GuidStringTest, ThirtyTwoHexDigitsWithTheThirdGroupInLowerCase) {
  std::set<std::wstring> seen;
  for (int i = 0; i < 200; ++i) {
    const std::wstring guid = Utils::CreateGuidString();
    ASSERT_EQ(guid.size(), 32u) << Platform::WideToUtf8(guid);
    for (size_t at = 0; at < guid.size(); ++at) {
      const bool lower = at >= 12 && at < 16;
      const wchar_t* digits = lower ? L"0123456789abcdef" : L"0123456789ABCDEF";
      EXPECT_NE(std::wcschr(digits, guid[at]), nullptr) << Platform::WideToUtf8(guid) << " at " << at;
    }
    EXPECT_EQ(guid[12], L'4');  // random GUIDs are version 4
    seen.insert(guid);
  }
  EXPECT_EQ(seen.size(), 200u);
}

TEST(FindProcessTest, MatchesTheWholeExecutableNameCaseIncluded) {
  TempFolder temp;
  // Longer than the 15 bytes the kernel keeps as the process name.
  const fs::path program = temp / "QuorvaneProbeChild.exe";
  fs::copy_file(QV_TEST_CHILD, program);
  ::chmod(program.c_str(), 0755);

  Utils::Process child;
  child.CreatePipes();
  child.Start(L"\"" + Platform::AnsiToWide(program.string()) + L"\" sleep");
  struct Case {
    const wchar_t* name;
    bool found;
  } cases[] = {
      {L"QuorvaneProbeChild.exe", true},  {L"quorvaneprobechild.exe", false},
      {L"QUORVANEPROBECHILD.EXE", false}, {L"QuorvaneProbeCh", false},
      {L"QuorvaneProbeChild", false},     {L"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utils::FindProcess(c.name), c.found ? child.ProcessId() : 0u) << Platform::WideToUtf8(c.name);

  // Still running after its file was replaced or removed, as during an update.
  fs::remove(program);
  EXPECT_EQ(Utils::FindProcess(L"QuorvaneProbeChild.exe"), child.ProcessId());

  ASSERT_TRUE(child.Kill());
  ASSERT_TRUE(child.Wait());
  EXPECT_EQ(Utils::FindProcess(L"QuorvaneProbeChild.exe"), 0u);
}

TEST(AccountsTest, AdministratorLevelOfAccounts) {
  EXPECT_TRUE(Utils::IsAdminAccount(L"root"));
  EXPECT_FALSE(Utils::IsAdminAccount(L"nobody"));
  EXPECT_FALSE(Utils::IsAdminAccount(L"no-such-account-quorvane"));
  EXPECT_FALSE(Utils::IsAdminAccount(L""));
  std::wstring console;
  EXPECT_TRUE(Utils::GetConsoleUserName(console));
  EXPECT_FALSE(console.empty());
}

TEST(AccountsTest, ConsoleUserFromLogindState) {
  TempFolder run;
  fs::create_directories(run / "seats");
  fs::create_directories(run / "sessions");
  std::ofstream(run / "sessions" / "c2") << "UID=1000\nUSER=alice\nACTIVE=1\nSEAT=seat0\n";
  std::ofstream(run / "secret") << "USER=mallory\n";
  struct Case {
    const char* seat;  // nullptr: no seat file
    const char* user;
  } cases[] = {
      {"ACTIVE=c2\nACTIVE_UID=1000\n", "alice"},
      {"ACTIVE=../secret\n", ""},
      {"ACTIVE=c9\n", ""},
      {"CAN_GRAPHICAL=1\n", ""},
      {nullptr, ""},
  };
  for (const Case& c : cases) {
    fs::remove(run / "seats" / "seat0");
    if (c.seat) std::ofstream(run / "seats" / "seat0") << c.seat;
    EXPECT_EQ(Platform::ConsoleUserFromLogind(run.Path().string()), c.user) << (c.seat ? c.seat : "no seat");
  }
}

TEST(AccountsTest, ConsoleUserFromUtmpRecords) {
  TempFolder temp;
  auto record = [](short type, const char* line, const char* user) {
    utmp r{};
    r.ut_type = type;
    std::strncpy(r.ut_line, line, sizeof(r.ut_line));
    std::strncpy(r.ut_user, user, sizeof(r.ut_user));
    return r;
  };
  const utmp records[] = {
      record(LOGIN_PROCESS, "tty1", "LOGIN"),
      record(USER_PROCESS, "pts/0", "bob"),
      record(USER_PROCESS, "ttyS0", "serial"),
      record(USER_PROCESS, "tty2", "carol"),
      record(USER_PROCESS, ":0", "dave"),
  };
  const fs::path path = temp / "utmp";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(records), sizeof(records));
  EXPECT_EQ(Platform::ConsoleUserFromUtmp(path.string()), "carol");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(records), 3 * sizeof(utmp));
  EXPECT_EQ(Platform::ConsoleUserFromUtmp(path.string()), "");
  EXPECT_EQ(Platform::ConsoleUserFromUtmp((temp / "missing").string()), "");
}

}  // namespace
