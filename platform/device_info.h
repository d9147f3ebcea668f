#pragma once
// Facts about the machine that usage analytics reports: the operating system's name and version,
// whether it is 64-bit, the user's language and country, and the primary screen's size.

#include <string>

namespace Platform::DeviceInfo {

// "Linux" here, "Windows" on Windows.
std::wstring OperatingSystemName();
// The distribution and its version ("debian 12"), or the kernel release when the system does not
// name a version.
std::wstring OperatingSystemVersion();
bool IsSystem64Bit();

struct LocaleNames {
  std::wstring language;  // ISO 639, "zh"
  std::wstring country;   // ISO 3166, "CN"; empty when the locale names none
};
// The user's locale from LC_ALL, LC_MESSAGES or LANG (the first one set); the C and POSIX locales
// are American English.
LocaleNames UserLocale();

struct ScreenSize {
  int width = 0;
  int height = 0;
};
// The primary screen in pixels, from the X display named by DISPLAY when one can be reached
// (libX11 is loaded only then); 0 x 0 without a display.
ScreenSize PrimaryScreenSize();

}  // namespace Platform::DeviceInfo
