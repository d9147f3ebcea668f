#include "analytics/tracker/tracker_settings.h"

#include <cstdio>
#include <random>

#include "platform/codepage.h"
#include "platform/environment.h"
#include "platform/file.h"
#include "platform/guid.h"
#include "platform/ini.h"
#include "platform/path.h"

namespace plenwick::metrics {
namespace {

constexpr wchar_t kBase[] = L"Base";
constexpr size_t kIdentityBuffer = 128;
constexpr size_t kSharedIniBuffer = 128;

std::wstring Wide(const std::string& text) { return Platform::Utf8ToWide(text); }
std::string Utf8(const std::wstring& text) { return Platform::WideToUtf8(text); }

std::wstring Replace(std::wstring text, wchar_t from, wchar_t to) {
  for (wchar_t& c : text)
    if (c == from) c = to;
  return text;
}

// The installed product writes "set.ini"; Windows reads it as "Set.ini" whatever its case.
std::wstring SharedIniOverride(const std::wstring& moduleDirectory) {
  for (const wchar_t* name : {L"Set.ini", L"set.ini"}) {
    const std::wstring path = Platform::JoinPath(moduleDirectory, name);
    if (!Platform::IsRegularFile(path)) continue;
    return Replace(Platform::GetPrivateProfileString(L"Install", L"PWMetricsIni", L"", kSharedIniBuffer, path), L'/', L'\\');
  }
  return {};
}

// Creates `folder` and every missing parent; failures show up later as failed file operations.
void CreateFolderTree(const std::wstring& folder) {
  std::wstring path = Platform::NativePath(folder);
  while (path.size() > 1 && Platform::IsPathSeparator(path.back())) path.pop_back();
  if (path.empty() || Platform::IsDirectory(path)) return;
  CreateFolderTree(Platform::DirectoryOf(path));
  Platform::CreateOneDirectory(path);
}

std::string GuidText(const Platform::Guid& g) {
  char text[40];
  std::snprintf(text, sizeof(text), "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

// When the system cannot make a GUID: a pseudo-random one of the same shape, version-4 style.
std::string PseudoRandomIdentifier() {
  std::random_device device;
  std::minstd_rand engine(device());
  std::uniform_int_distribution<unsigned> part(0, 0x7FFF);
  const unsigned a = part(engine), b = part(engine), c = part(engine);
  const unsigned d = (part(engine) & 0x0FFF) | 0x4000;
  const unsigned e = part(engine) % 0x3FFF + 0x8000;
  const unsigned f = part(engine), g = part(engine), h = part(engine);
  char text[64];
  std::snprintf(text, sizeof(text), "%x%x-%x-%x-%x-%x%x%x", a, b, c, d, e, f, g, h);
  return text;
}

}  // namespace

TrackerPaths ResolveTrackerPaths(const std::string& appName, const std::wstring& moduleDirectory,
                                 const std::wstring& localAppData) {
  const std::wstring shared = SharedIniOverride(moduleDirectory);
  if (!shared.empty() && shared.find(L'\\') != std::wstring::npos) {
    return {Platform::NativePath(shared), Platform::NativePath(shared.substr(0, shared.rfind(L'\\') + 1))};
  }
  const std::wstring app = Wide(appName);
  const std::wstring folder = Platform::NativePath(localAppData + L"\\PWLocal\\" + app + L"\\");
  return {folder + app + L"_PWSConfigure.ini", folder};
}

std::string NewIdentifier() {
  Platform::Guid guid;
  Platform::CreateGuid(guid);  // the first answer is not used
  for (int failures = 0; failures <= 10; ++failures) {
    if (Platform::CreateGuid(guid)) return GuidText(guid);
  }
  return PseudoRandomIdentifier();
}

void TrackerSettings::ResolvePaths(const std::string& appName) {
  UsePaths(ResolveTrackerPaths(appName, Platform::DirectoryOf(Platform::ModuleFileName()),
                               Platform::GetSpecialFolder(Platform::SpecialFolder::LocalAppData)));
}

void TrackerSettings::UsePaths(const TrackerPaths& paths) {
  iniPath = paths.iniPath;
  localFolder = paths.localFolder;
  CreateFolderTree(localFolder);
}

void TrackerSettings::LoadAndReconcile(const std::string& collectorUrl) {
  userId.clear();
  distinctId.clear();
  primaryDistinctId.clear();
  url.clear();
  isLogined = false;
  if (Platform::PathExists(iniPath)) {
    const auto read = [&](const wchar_t* key) {
      return Utf8(Platform::GetPrivateProfileString(kBase, key, L"", kIdentityBuffer, iniPath));
    };
    distinctId = read(L"DistinctId");
    primaryDistinctId = read(L"PrimaryDistinctId");
    userId = read(L"UserId");
    userVipLevel = Platform::GetPrivateProfileInt(kBase, L"UserVipLevel", 0, iniPath);
    isLogined = read(L"isLogined") == "OK";
    url = read(L"URL");
  }
  if (distinctId.empty()) {
    distinctId = NewIdentifier();
    WriteIdentity();
  }
  if (url != collectorUrl) {
    userId.clear();
    isLogined = false;
    if (primaryDistinctId.empty()) primaryDistinctId = NewIdentifier();
    distinctId = primaryDistinctId;
    url = collectorUrl;
    WriteIdentity();
  }
  if (userId.empty()) isLogined = false;
}

void TrackerSettings::WriteIdentity() const {
  // One replacement of the file: the first start writes the identity twice, and every write is
  // flushed to disk before the window can show.
  const std::wstring values[] = {Wide(distinctId), Wide(primaryDistinctId), Wide(userId),
                                 Wide(std::to_string(userVipLevel)), Wide(url), Wide(isLogined ? "OK" : "NG")};
  const Platform::IniValue keys[] = {{L"DistinctId", values[0]}, {L"PrimaryDistinctId", values[1]},
                                     {L"UserId", values[2]},     {L"UserVipLevel", values[3]},
                                     {L"URL", values[4]},        {L"isLogined", values[5]}};
  Platform::WritePrivateProfileStrings(kBase, keys, iniPath);
}

void TrackerSettings::WriteUninstallInfo(const std::string& appStore, const std::string& appName,
                                         const std::string& appVersion) const {
  const std::wstring values[] = {Wide(appStore), Wide(appName), Wide(appVersion)};
  const Platform::IniValue keys[] = {{L"AppStore", values[0]}, {L"AppName", values[1]}, {L"AppVersion", values[2]}};
  Platform::WritePrivateProfileStrings(L"UninstallInfo", keys, iniPath);
}

}  // namespace plenwick::metrics
