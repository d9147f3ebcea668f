#pragma once
// Which operating system runs the installer.

#include <cstdint>
#include <string>

namespace Platform {

struct OsVersion {
  std::wstring family;  // "Windows", or the system's own name ("Linux")
  bool isWindows = false;
  // Windows: the numbers of RtlGetNtVersionNumbers, when ntdll could be loaded at all.
  bool versionNumbersRead = false;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  bool isServerR2 = false;
  // Other systems: the release text of the kernel ("6.1.0-18-amd64").
  std::wstring release;
};

OsVersion GetOsVersion();
// True on a 64-bit system (64-bit Windows; on POSIX a machine of x86_64 or aarch64).
bool Is64BitSystem();

}  // namespace Platform
