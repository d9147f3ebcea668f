#include "platform/accounts.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>
#include <utmp.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/posix/console_user.h"

namespace Platform {
namespace {

// The groups whose members may become root through sudo or su on the common distributions.
constexpr const char* kAdministratorGroups[] = {"sudo", "wheel", "admin"};

// "KEY=value" from a systemd state file; empty when the key is missing.
std::string StateValue(const std::string& path, const std::string& key) {
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line))
    if (line.compare(0, key.size() + 1, key + "=") == 0) return line.substr(key.size() + 1);
  return {};
}

// A session id names a file in the sessions folder; it must not lead out of it.
bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

bool IsConsoleLine(const char* line, size_t size) {
  const std::string text(line, strnlen(line, size));
  if (text == "console") return true;
  auto digitsFrom = [&](size_t start) {
    return text.size() > start && text.find_first_not_of("0123456789", start) == std::string::npos;
  };
  return (text.compare(0, 3, "tty") == 0 && digitsFrom(3)) || (text.compare(0, 1, ":") == 0 && digitsFrom(1));
}

std::string CurrentUserName() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
  return found->pw_name;
}

bool GroupNameOf(gid_t gid, std::string& name) {
  std::vector<char> buffer(16384);
  group entry{};
  group* found = nullptr;
  if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return false;
  name = found->gr_name;
  return true;
}

}  // namespace

std::string ConsoleUserFromLogind(const std::string& runDirectory) {
  const std::string session = StateValue(runDirectory + "/seats/seat0", "ACTIVE");
  if (!IsPlainFileName(session)) return {};
  return StateValue(runDirectory + "/sessions/" + session, "USER");
}

std::string ConsoleUserFromUtmp(const std::string& utmpPath) {
  std::ifstream file(utmpPath, std::ios::binary);
  utmp record{};
  while (file.read(reinterpret_cast<char*>(&record), sizeof(record))) {
    if (record.ut_type != USER_PROCESS || !IsConsoleLine(record.ut_line, sizeof(record.ut_line))) continue;
    const std::string user(record.ut_user, strnlen(record.ut_user, sizeof(record.ut_user)));
    if (!user.empty()) return user;
  }
  return {};
}

bool IsProcessAdministrator() { return ::geteuid() == 0; }

bool IsAdministratorAccount(std::wstring_view accountName) {
  const std::string name = WideToAnsi(accountName);
  if (name.empty()) return false;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* account = nullptr;
  if (::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &account) != 0 || !account) return false;
  if (account->pw_uid == 0) return true;
  int count = 64;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  while (::getgrouplist(name.c_str(), account->pw_gid, groups.data(), &count) < 0)
    groups.resize(static_cast<size_t>(count));
  groups.resize(static_cast<size_t>(count));
  for (const gid_t gid : groups) {
    std::string group;
    if (!GroupNameOf(gid, group)) continue;
    for (const char* administrators : kAdministratorGroups)
      if (group == administrators) return true;
  }
  return false;
}

bool GetConsoleUserName(std::wstring& name) {
  std::string user = ConsoleUserFromLogind("/run/systemd");
  if (user.empty()) user = ConsoleUserFromUtmp(_PATH_UTMP);
  if (user.empty()) user = CurrentUserName();
  if (user.empty()) return false;
  name = AnsiToWide(user);
  return true;
}

}  // namespace Platform
