#pragma once
// The one process-wide settings record: built-in defaults, then the settings file
// "PlenwickInstallerConfig.ini" beside the executable (read during static initialisation, before
// main), then the command line (applied once by the entry point).
//
// Written by its constructor and by the entry point before the main window exists; afterwards only
// `Language` changes, on the main thread. Workers read fields that no longer change, so no lock.

#include <cstdint>
#include <string>

struct InstallerSettings {
  std::wstring ProductId = L"Quorvane";
  std::wstring ProductVersion = L"1.7.9";
  std::wstring InstallerFileName;
  std::wstring DlAppNameSuffix = L".downloader";
  std::wstring DlAppVersion;
  std::wstring InstCmd;
  std::wstring DownloadUrl;
  int32_t DownloadType = 1;
  bool IsCheckNet = false;
  bool IsEnableAppMetrics = true;
  double DownloadScale = 0.7;
  bool CurlReady = true;
  std::wstring AbGroup = L"IN";
  int32_t Language = 0;
  bool InsNew = false;
  // Beyond the record of the original installer: the analytics collector URL from the settings
  // file ("MetricsServerUrl" in section "Install"); empty means the built-in default.
  std::wstring MetricsServerUrl;

  // Defaults, then the settings file beside `modulePath` (the executable's full path).
  explicit InstallerSettings(const std::wstring& modulePath);

  // Stores `url` through the route substitution.
  void SetDownloadUrl(const std::wstring& url);
  // Overlays the switches of a whole command line (the program path included).
  void ApplyCommandLine(const std::wstring& commandLine);
  // Clamps DownloadScale into 0..1 (NaN keeps `previous`).
  void SetDownloadScale(double value, double previous);

 private:
  void ReadSettingsFile(const std::wstring& path);
};

// The process-wide record, built from the running executable's path before main.
InstallerSettings& Settings();

// The built-in package URL (the example host keeps a fresh machine off any real server).
inline constexpr wchar_t kBuiltInDownloadUrl[] = L"http://packages.plenwick.example/software/387";
inline constexpr wchar_t kSettingsFileName[] = L"PlenwickInstallerConfig.ini";

// The package URL with every "${ROUTE}" replaced by the route for this system.
std::wstring SubstituteRoute(const std::wstring& url);
// The same with the system facts given (for tests and other systems).
std::wstring SubstituteRoute(const std::wstring& url, bool isXpClass, bool is64Bit);
