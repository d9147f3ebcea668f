#include "analytics/tracker/device_descriptors.h"

#include "platform/codepage.h"
#include "platform/device_info.h"

namespace plenwick::metrics {

std::string OsName() { return Platform::WideToUtf8(Platform::DeviceInfo::OperatingSystemName()); }

std::string OsVersion() { return Platform::WideToUtf8(Platform::DeviceInfo::OperatingSystemVersion()); }

std::string UserAgent() {
  // The system token names the platform and its width the way "Win64" / "Win32" do on Windows.
  const std::string token = OsName() == "Windows" ? "Win" : OsName();
  return "Mozilla/5.0(" + OsName() + " " + OsVersion() + "; " + token +
         (Platform::DeviceInfo::IsSystem64Bit() ? "64;)" : "32;)");
}

LocaleTexts DeriveLocale(const std::string& storedLocale) {
  const size_t underscore = storedLocale.find('_');
  if (!storedLocale.empty() && underscore != std::string::npos)
    return {storedLocale, storedLocale.substr(0, underscore), storedLocale.substr(underscore + 1)};
  const Platform::DeviceInfo::LocaleNames names = Platform::DeviceInfo::UserLocale();
  const std::string language = Platform::WideToUtf8(names.language);
  const std::string country = Platform::WideToUtf8(names.country);
  return {language + "_" + country, language, country};
}

}  // namespace plenwick::metrics
