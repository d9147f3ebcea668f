#include "platform/os_version.h"

#include <sys/utsname.h>

#include <cstring>

#include "platform/codepage.h"

namespace Platform {

OsVersion GetOsVersion() {
  OsVersion version;
  utsname names{};
  if (::uname(&names) != 0) {
    version.family = L"Linux";
    return version;
  }
  version.family = AnsiToWide(names.sysname);
  version.release = AnsiToWide(names.release);
  return version;
}

bool Is64BitSystem() {
  utsname names{};
  if (::uname(&names) != 0) return false;
  return std::strcmp(names.machine, "x86_64") == 0 || std::strcmp(names.machine, "aarch64") == 0;
}

}  // namespace Platform
