#pragma once
// The device facts that become common and profile properties, as UTF-8 texts.

#include <string>

namespace plenwick::metrics {

struct LocaleTexts {
  std::string locale;    // "zh_CN"
  std::string language;  // "zh"
  std::string country;   // "CN"
};

std::string OsName();
std::string OsVersion();
// "Mozilla/5.0(" + os + " " + version + "; " + system token + ";)", e.g. Mozilla/5.0(Linux debian 12; Linux64;).
std::string UserAgent();
// A stored locale with "_" is used as it is and split at its first "_"; otherwise the user's
// language and country make the locale.
LocaleTexts DeriveLocale(const std::string& storedLocale);

}  // namespace plenwick::metrics
