#include "app/installer_settings.h"

#include <cmath>

#include "app/switch_map.h"
#include "app/system_facts.h"
#include "platform/environment.h"
#include "platform/file.h"
#include "platform/ini.h"
#include "platform/path.h"

namespace {

constexpr size_t kProfileBufferChars = 260;
constexpr wchar_t kSection[] = L"Install";
constexpr wchar_t kRoutePlaceholder[] = L"${ROUTE}";

constexpr int kProductNumber = 591;
// Products that publish a separate 64-bit package.
constexpr int kProductsWith64BitPackage[] = {267, 385, 257, 335, 318};

bool HasSeparate64BitPackage(int productNumber) {
  for (int n : kProductsWith64BitPackage)
    if (n == productNumber) return true;
  return false;
}

std::wstring ReadProfileText(const std::wstring& file, const wchar_t* key, const wchar_t* fallback) {
  return Platform::GetPrivateProfileString(kSection, key, fallback, kProfileBufferChars, file);
}

}  // namespace

std::wstring SubstituteRoute(const std::wstring& url, bool isXpClass, bool is64Bit) {
  if (url.find(kRoutePlaceholder) == std::wstring::npos) return url;
  std::wstring route = L"download_silent";
  if (isXpClass)
    route = L"download_silent_xp";
  else if (HasSeparate64BitPackage(kProductNumber) && is64Bit)
    route = L"download_silent_64";
  std::wstring out = url;
  const std::wstring placeholder = kRoutePlaceholder;
  // Search again from the start after each replacement, as the original installer does.
  for (size_t at = out.find(placeholder); at != std::wstring::npos; at = out.find(placeholder))
    out.replace(at, placeholder.size(), route);
  return out;
}

std::wstring SubstituteRoute(const std::wstring& url) {
  if (url.find(kRoutePlaceholder) == std::wstring::npos) return url;
  const SystemFacts facts = ReadSystemFacts();
  return SubstituteRoute(url, facts.osVersionName.find(L"XP") != std::wstring::npos, facts.is64Bit);
}

InstallerSettings::InstallerSettings(const std::wstring& modulePath) {
  InstallerFileName = Platform::FileNameOf(modulePath);
  SetDownloadUrl(kBuiltInDownloadUrl);
  const std::wstring file = Platform::JoinPath(Platform::DirectoryOf(modulePath), kSettingsFileName);
  if (Platform::PathExists(file)) ReadSettingsFile(file);
  ProductId = L"Quorvane";
  ProductVersion = L"1.7.9";
}

void InstallerSettings::ReadSettingsFile(const std::wstring& file) {
  SetDownloadUrl(ReadProfileText(file, L"DownloadUrl", kBuiltInDownloadUrl));
  DownloadType = Platform::GetPrivateProfileInt(kSection, L"DownloadType", 1, file);
  IsCheckNet = ReadProfileText(file, L"IsCheckNet", L"true") == L"true";
  IsEnableAppMetrics = ReadProfileText(file, L"IsEnableAppMetrics", L"true") == L"true";
  DlAppNameSuffix = ReadProfileText(file, L"DlAppNameSuffix", L".downloader");
  DlAppVersion = ReadProfileText(file, L"m_DlAppVersion", L"");
  // Text that is not a number (an empty value included) hands the whole bar to the install stage.
  bool isNumber = false;
  const double scale = ParseDouble(ReadProfileText(file, L"DownloadScale", L"0.7"), &isNumber);
  SetDownloadScale(isNumber ? scale : 0.0, DownloadScale);
  InstCmd = ReadProfileText(file, L"InstCmd", L"");
  MetricsServerUrl = ReadProfileText(file, L"MetricsServerUrl", L"");
}

void InstallerSettings::SetDownloadUrl(const std::wstring& url) { DownloadUrl = SubstituteRoute(url); }

void InstallerSettings::SetDownloadScale(double value, double previous) {
  if (std::isnan(value)) {
    DownloadScale = previous;
    return;
  }
  DownloadScale = value < 0.0 ? 0.0 : value > 1.0 ? 1.0 : value;
}

void InstallerSettings::ApplyCommandLine(const std::wstring& commandLine) {
  const SwitchMap switches = ParseCommandLine(commandLine);
  if (switches.Has(L"-downloadurl")) SetDownloadUrl(switches.GetText(L"-downloadurl"));
  if (switches.Has(L"-downloadtype")) DownloadType = switches.GetInt(L"-downloadtype");
  if (switches.Has(L"-downloadscale"))
    SetDownloadScale(switches.GetDouble(L"-downloadscale", std::nan("")), DownloadScale);
  if (switches.Has(L"-ischecknet")) IsCheckNet = switches.GetBool(L"-ischecknet");
  if (switches.Has(L"-isenableappmetrics")) IsEnableAppMetrics = switches.GetBool(L"-isenableappmetrics");
  if (switches.Has(L"-dlappnamesuffix")) DlAppNameSuffix = switches.GetText(L"-dlappnamesuffix");
  if (switches.Has(L"-dlappversion")) DlAppVersion = switches.GetText(L"-dlappversion");
  if (switches.Has(L"-instcmd")) InstCmd = switches.GetText(L"-instcmd");
  if (switches.Has(L"-language")) Language = switches.GetInt(L"-language");
  if (switches.Has(L"-insnew")) InsNew = switches.GetBool(L"-insnew");
}

InstallerSettings& Settings() {
  static InstallerSettings settings(Platform::ModuleFileName());
  return settings;
}

namespace {
// Build the record during static initialisation, before main, as the entry point expects.
[[maybe_unused]] const InstallerSettings& g_settingsBuiltBeforeMain = Settings();
}  // namespace
