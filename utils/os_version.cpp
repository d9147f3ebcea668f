#include "utils/os_version.h"

#include "platform/os_version.h"

namespace Utils {

void GetOsVersionName(std::wstring& family, std::wstring& version) {
  const Platform::OsVersion os = Platform::GetOsVersion();
  family = os.family;
  if (!os.isWindows) {
    version = os.release;
    return;
  }
  version = os.versionNumbersRead ? WindowsVersionName(os.major, os.minor, os.build, os.isServerR2) : L"XP-";
}

std::wstring WindowsVersionName(uint32_t major, uint32_t minor, uint32_t build, bool isServerR2) {
  switch (major) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
      return L"XP-";
    case 5:
      if (minor == 0) return L"2K";
      if (minor == 1) return L"XP";
      if (minor == 2) return isServerR2 ? L"Server 2003 R2" : L"Server 2003";
      return L"XP+";
    case 6:
      if (minor == 0) return L"Vista";
      if (minor == 1) return L"7";
      if (minor == 2) return L"8";
      if (minor == 3) return L"8.1";
      return L"8.1+";
    case 10:
      return minor == 0 ? L"10" : L"10+";
    default:
      return std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(build & 0xFFFFu);
  }
}

bool IsWow64() { return Platform::Is64BitSystem(); }

}  // namespace Utils
