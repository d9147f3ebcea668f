#include "platform/device_info.h"

#include <dlfcn.h>
#include <sys/utsname.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/file.h"

namespace Platform::DeviceInfo {
namespace {

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

// The value of `key` in an os-release file ("KEY=value" lines, values optionally quoted).
std::string OsReleaseValue(const std::string& content, std::string_view key) {
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    const std::string_view line(content.data() + start, end - start);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=')
      return Unquote(line.substr(key.size() + 1));
    start = end + 1;
  }
  return {};
}

std::optional<std::string> ReadOsRelease() {
  if (auto content = ReadWholeFile(L"/etc/os-release")) return content;
  return ReadWholeFile(L"/usr/lib/os-release");
}

utsname Uname() {
  utsname names{};
  ::uname(&names);
  return names;
}

std::string FirstLocaleVariable() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}

}  // namespace

std::wstring OperatingSystemName() { return L"Linux"; }

std::wstring OperatingSystemVersion() {
  if (const auto release = ReadOsRelease()) {
    const std::string id = OsReleaseValue(*release, "ID");
    const std::string version = OsReleaseValue(*release, "VERSION_ID");
    if (!version.empty()) return AnsiToWide(id.empty() ? version : id + " " + version);
  }
  return AnsiToWide(Uname().release);
}

bool IsSystem64Bit() {
  const utsname names = Uname();
  const std::string_view machine = names.machine;
  return machine == "x86_64" || machine == "aarch64";
}

LocaleNames UserLocale() {
  std::string locale = FirstLocaleVariable();
  locale = locale.substr(0, locale.find_first_of(".@"));
  if (locale.empty() || locale == "C" || locale == "POSIX") return {L"en", L"US"};
  const size_t underscore = locale.find('_');
  if (underscore == std::string::npos) return {AnsiToWide(locale), L""};
  return {AnsiToWide(locale.substr(0, underscore)), AnsiToWide(locale.substr(underscore + 1))};
}

ScreenSize PrimaryScreenSize() {
  // FIXME: the GTK host knows the monitor geometry; once it exists it can answer this instead.
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return {};
  // Loaded once and kept: libX11 cannot be unloaded safely once a display was opened.
  static void* const library = ::dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
  if (!library) return {};
  using OpenDisplay = void* (*)(const char*);
  using DefaultScreen = int (*)(void*);
  using DisplayExtent = int (*)(void*, int);
  using CloseDisplay = int (*)(void*);
  const auto open = reinterpret_cast<OpenDisplay>(::dlsym(library, "XOpenDisplay"));
  const auto screenOf = reinterpret_cast<DefaultScreen>(::dlsym(library, "XDefaultScreen"));
  const auto widthOf = reinterpret_cast<DisplayExtent>(::dlsym(library, "XDisplayWidth"));
  const auto heightOf = reinterpret_cast<DisplayExtent>(::dlsym(library, "XDisplayHeight"));
  const auto close = reinterpret_cast<CloseDisplay>(::dlsym(library, "XCloseDisplay"));
  if (!open || !screenOf || !widthOf || !heightOf || !close) return {};
  void* connection = open(display);
  if (!connection) return {};
  const int screen = screenOf(connection);
  const ScreenSize size{widthOf(connection, screen), heightOf(connection, screen)};
  close(connection);
  return size;
}

}  // namespace Platform::DeviceInfo
