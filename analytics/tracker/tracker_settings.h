#pragma once
// The tracker's persistent identity and working state: distinct ids, login state, the collector
// URL the identity belongs to, the local folder and ini file holding them, the log path, the
// locale and the pending counter shared with the send step.
//
// The identity fields change only during tracker initialisation, login and destruction (one
// thread at a time); `pendingCount` is atomic and touched from every reporting thread.

#include <atomic>
#include <cstdint>
#include <string>

namespace plenwick::metrics {

struct TrackerPaths {
  std::wstring iniPath;
  std::wstring localFolder;  // ends with a separator
};

// Where the identity ini lives: the file named by "PWMetricsIni" in section "Install" of the
// Set.ini beside the executable when that names a path, else
// <local application data>/PWLocal/<appName>/<appName>_PWSConfigure.ini.
TrackerPaths ResolveTrackerPaths(const std::string& appName, const std::wstring& moduleDirectory,
                                 const std::wstring& localAppData);

// A new anonymous identifier: an upper-case GUID text of 36 characters.
std::string NewIdentifier();

class TrackerSettings {
 public:
  explicit TrackerSettings(std::string logPath) : logPath(std::move(logPath)) {}

  // Resolves the paths for this executable and user and creates the local folder.
  void ResolvePaths(const std::string& appName);
  void UsePaths(const TrackerPaths& paths);
  // Reads the identity from the ini, makes a new one when there is none, and logs out and
  // returns to the primary identifier when the identity belonged to another collector.
  void LoadAndReconcile(const std::string& collectorUrl);
  void WriteIdentity() const;
  void WriteUninstallInfo(const std::string& appStore, const std::string& appName, const std::string& appVersion) const;

  bool isLogined = false;
  std::string userId;
  std::string distinctId;
  std::string primaryDistinctId;
  int32_t userVipLevel = 0;
  std::string url;

  std::string logPath;
  std::string locale;
  std::wstring localFolder;
  std::wstring iniPath;
  std::atomic<int32_t> pendingCount{0};
};

}  // namespace plenwick::metrics
