#include "install/install_records.h"

#include <cmath>
#include <vector>

#include "app/installer_settings.h"
#include "install/install_codes.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/file.h"
#include "platform/ini.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/wide_format.h"
#include "utils/accounts.h"
#include "utils/directory_tree.h"
#include "utils/guid_string.h"

namespace {

constexpr wchar_t kProductFolder[] = L"Quorvane";
constexpr wchar_t kUninstallerFileName[] = L"uninst.ep";
constexpr wchar_t kElevatedAdminFolder[] = L"tovelle";
constexpr size_t kMaxEnvironmentChars = 260;
constexpr size_t kOverrideBufferChars = 20;
constexpr size_t kMinStartUrlChars = 6;
constexpr int kTraditionalChineseIndex = 2;

std::wstring UninstallerOf(const std::wstring& folder) { return Platform::JoinPath(folder, kUninstallerFileName); }

std::wstring SetIniOf(std::wstring_view folder) { return Platform::JoinPath(folder, L"set.ini"); }

// A reported number as the window's int: truncated toward zero, and wrapped like a 32-bit value
// so that 4294967295 reads back as -1.
int TruncateToInt(double value) {
  if (!std::isfinite(value)) return 0;
  if (value >= 9.2e18 || value <= -9.2e18) return 0;
  return static_cast<int>(static_cast<uint32_t>(static_cast<int64_t>(value)));
}

// The folder's levels, without empty and "." ones.
std::vector<std::wstring_view> FolderLevels(std::wstring_view path) {
  std::vector<std::wstring_view> levels;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !Platform::IsPathSeparator(path[i])) continue;
    const std::wstring_view level = path.substr(start, i - start);
    if (!level.empty() && level != L".") levels.push_back(level);
    start = i + 1;
  }
  return levels;
}

std::wstring LocalTimeStamp() {
  const Platform::LocalTime t = Platform::GetLocalTime();
  return Platform::FormatWide(L"%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

}  // namespace

int WriteInstallRecordString(std::wstring_view name, std::wstring_view value) {
  return Platform::RegistryWriteString(kInstallRecordKey, name, value) ? 1 : 0;
}

void ReadInstallRecordString(std::wstring_view name, std::wstring& value) {
  if (auto stored = Platform::RegistryReadString(kInstallRecordKey, name)) value = std::move(*stored);
}

AccountFacts AccountFacts::OfThisSystem() {
  AccountFacts facts;
  facts.consoleUserIsAdmin = [] {
    std::wstring user;
    return Utils::GetConsoleUserName(user) && Utils::IsAdminAccount(user);
  };
  facts.processIsElevated = [] { return Utils::IsRunAsAdmin(); };
  return facts;
}

bool IsSameFolder(std::wstring_view a, std::wstring_view b) {
  if (a.empty() || b.empty()) return false;
  // An absolute folder and a relative one never meet.
  if (Platform::IsAbsolutePath(a) != Platform::IsAbsolutePath(b)) return false;
  return FolderLevels(a) == FolderLevels(b);
}

std::wstring AnalyticsFolder() {
  std::wstring base = Platform::GetSpecialFolder(Platform::SpecialFolder::RoamingAppData);
  if (base.empty()) base = Platform::GetSpecialFolder(Platform::SpecialFolder::CommonDocuments);
  return Platform::JoinPath(Platform::JoinPath(base, L"PlenwickData"), kProductFolder);
}

void InstallRecords::ReadInstallRecord() {
  installedPath.clear();
  prevUninstaller.clear();
  ReadInstallRecordString(L"InstallPath", installedPath);
  ReadInstallRecordString(L"UnInstallEp", prevUninstaller);
  if (prevUninstaller.empty() && !installedPath.empty()) prevUninstaller = UninstallerOf(installedPath);
}

void InstallRecords::WriteInstallRecord() {
  WriteInstallRecordString(L"InstallPath", installPath);
  if (uninstEp.empty()) uninstEp = UninstallerOf(installPath);
  // A record of a missing uninstaller would make the next installation look for it in vain.
  if (Platform::PathExists(uninstEp)) WriteInstallRecordString(L"UnInstallEp", uninstEp);
}

std::wstring InstallRecords::GetDefaultInstallDir() {
  consoleUserIsAdmin = facts_.consoleUserIsAdmin && facts_.consoleUserIsAdmin();
  processIsElevated = facts_.processIsElevated && facts_.processIsElevated();
  if (!installedPath.empty() && Platform::PathExists(prevUninstaller)) return installedPath;

  // An elevated installer run by an administrator installs for this user under the roaming
  // application data; every other combination under the program folder.
  std::wstring base;
  if (consoleUserIsAdmin && processIsElevated) {
    const std::wstring appData = Platform::GetSpecialFolder(Platform::SpecialFolder::RoamingAppData);
    if (!appData.empty() && appData.size() < kMaxEnvironmentChars)
      base = Platform::JoinPath(appData, kElevatedAdminFolder);
  }
  if (base.empty()) base = Platform::GetSpecialFolder(Platform::SpecialFolder::ProgramFiles);
  return Platform::JoinPath(base, kProductFolder);
}

bool InstallRecords::IsDefaultDirChoice(std::wstring_view folder) { return IsSameFolder(GetDefaultInstallDir(), folder); }

std::wstring InstallRecords::GetCustomInstallDir(std::wstring_view folderText) {
  const std::wstring defaultDir = GetDefaultInstallDir();
  if (IsSameFolder(defaultDir, folderText)) return defaultDir;
  return Platform::JoinPath(Platform::NativePath(folderText), kProductFolder);
}

bool InstallRecords::IsOverrideDisabled(std::wstring_view folder) const {
  if (!IsSameFolder(installedPath, folder)) return false;
  const std::wstring value = Platform::GetPrivateProfileString(L"Uninstall", L"IsOverride", L"true",
                                                               kOverrideBufferChars, SetIniOf(folder));
  return value == L"false";
}

void InstallRecords::WriteInstallInfo() {
  // Without a folder there is no installation to describe; the files would land at the root.
  if (installPath.empty()) return;
  const std::wstring setIni = SetIniOf(installPath);
  Platform::WritePrivateProfileString(L"Install", L"APPStore", Platform::FileNameOf(Platform::ModuleFileName()), setIni);
  Platform::WritePrivateProfileString(L"Install", L"AppName", kProductFolder, setIni);
  Platform::WritePrivateProfileString(L"Install", L"DeviceID", Utils::CreateGuidString(), setIni);

  const std::wstring analytics = AnalyticsFolder();
  Utils::CreateDirectoryTree(analytics);
  if (Platform::IsDirectory(analytics)) {
    const std::wstring metricsIni = Platform::JoinPath(analytics, L"PWMetrics.ini");
    Platform::WritePrivateProfileString(L"Install", L"PWMetricsIni", metricsIni, setIni);
    Platform::WritePrivateProfileString(L"Init", L"UpdateTime", LocalTimeStamp(), metricsIni);
  }

  const wchar_t* language = Settings().Language == kTraditionalChineseIndex ? L"zh-TW" : L"en-US";
  Platform::WritePrivateProfileString(L"Install", L"Language", language,
                                      Platform::JoinPath(installPath, L"config.ini"));
}

void InstallRecords::LaunchProduct(const std::function<void()>& beforeProgramStart) {
  if (startUrl.size() >= kMinStartUrlChars)
    Platform::ShellOpen(startUrl, L"", L"", Platform::ShowCommand::Maximized);
  if (!Platform::PathExists(exePath)) return;
  if (beforeProgramStart) beforeProgramStart();
  Platform::ShellOpen(exePath, L"", L"", Platform::ShowCommand::Normal);
}

bool InstallRecords::TakeInstallerFact(int32_t code, double value, const std::wstring& text) {
  switch (code) {
    case InstallCode::kInstallPath:
      // An empty folder would make the record and the ini files point nowhere; the attempt's
      // own folder stays.
      if (!text.empty()) installPath = text;
      return true;
    case InstallCode::kExePath: exePath = text; return true;
    case InstallCode::kUninstallerRecord: uninstEp = text; return true;
    case InstallCode::kStartUrl: startUrl = text; return true;
    case InstallCode::kStartupStyle: startupStyle = TruncateToInt(value); return true;
    case InstallCode::kTopShowDelay: topShowDelay = TruncateToInt(value); return true;
    case InstallCode::kFinishCloseDelay: finishCloseDelay = TruncateToInt(value); return true;
    default: return false;
  }
}
