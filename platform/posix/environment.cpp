#include "platform/environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/codepage.h"
#include "platform/command_line.h"

namespace Platform {
namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

std::string HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::geteuid())) return pw->pw_dir;
  return "/tmp";
}

std::string XdgDir(const char* variable, const char* underHome) {
  return EnvOr(variable, HomeDirectory() + "/" + underHome);
}

std::string StripTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::optional<std::wstring> GetEnvironmentVariable(std::wstring_view name) {
  const char* v = std::getenv(WideToAnsi(name).c_str());
  if (!v) return std::nullopt;
  return AnsiToWide(v);
}

std::wstring ModuleFileName() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return AnsiToWide(std::string_view(buffer.data(), static_cast<size_t>(n)));
}

std::wstring ProcessCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::wstring> args;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    args.push_back(AnsiToWide(std::string_view(raw).substr(start, end - start)));
    start = end + 1;
  }
  return JoinCommandLine(args);
}

std::wstring GetSpecialFolder(SpecialFolder folder) {
  std::string path;
  switch (folder) {
    case SpecialFolder::RoamingAppData:
      path = EnvOr("APPDATA", XdgDir("XDG_DATA_HOME", ".local/share"));
      break;
    case SpecialFolder::LocalAppData:
      path = XdgDir("XDG_STATE_HOME", ".local/state");
      break;
    case SpecialFolder::ProgramFiles:
      path = ::geteuid() == 0 ? std::string("/opt") : HomeDirectory() + "/.local/opt";
      break;
    case SpecialFolder::CommonDocuments:
      path = XdgDir("XDG_DATA_HOME", ".local/share");
      break;
    case SpecialFolder::Desktop:
      path = EnvOr("XDG_DESKTOP_DIR", HomeDirectory() + "/Desktop");
      break;
    case SpecialFolder::Applications:
      path = XdgDir("XDG_DATA_HOME", ".local/share") + "/applications";
      break;
    case SpecialFolder::Config:
      path = XdgDir("XDG_CONFIG_HOME", ".config");
      break;
  }
  return AnsiToWide(StripTrailingSlash(path));
}

std::wstring GetTempPath() {
  return AnsiToWide(StripTrailingSlash(EnvOr("TMPDIR", "/tmp")) + "/");
}

}  // namespace Platform
