#pragma once
// The installation without a window (-silent=true): the same settings, checks, stages and records
// as the window's quick install, reported on standard output for a deployment script.
//
// Every stage notification is printed as one line "code<TAB>value<TAB>text" (text in UTF-8), as
// quorvane-fetch prints them. A refusal is one line on standard error and its own exit code.

#include <cstdint>
#include <functional>
#include <string>

#include "app/switch_map.h"

// Exit codes of the installer (documented in the README).
namespace InstallerExit {
inline constexpr int kInstalled = 0;
inline constexpr int kUsage = 2;                  // a switch the silent installation cannot use
inline constexpr int kProductRunning = 10;        // Quorvane.exe (or the old uninstaller copy) runs, InsNew not set
inline constexpr int kFolderNotCreatable = 11;    // the install folder cannot be created
inline constexpr int kLowDiskSpace = 12;          // less than 1 GiB free for the install folder
inline constexpr int kUninstallerNotStarted = 20; // the previous version's uninstaller is missing or cannot start (5004)
inline constexpr int kUninstallFailed = 21;       // the previous version's uninstaller reported failure (5005)
inline constexpr int kDownloadFailed = 30;        // the package download failed for good (1004)
inline constexpr int kInstallFailed = 40;         // the package reported failure or could not start (2004)
inline constexpr int kAnotherInstaller = 255;     // another installer runs in this logon
}  // namespace InstallerExit

// The moments of a silent installation, for the usage reports. Each member may stay empty; all
// run on the main thread.
struct SilentInstallObserver {
  // The checks passed; the coordinator starts for `folder` (the window's "安装中" view).
  std::function<void(const std::wstring& folder)> installStarted;
  // Every stage notification, in the order the stages sent them.
  std::function<void(int32_t code, double value, const std::wstring& text)> stageEvent;
  // The run is over with this exit code (refusals included).
  std::function<void(int exitCode)> finished;
};

// Runs the silent installation with the process's switches (-installdir=<folder> chooses the
// parent folder of the product's own folder) and returns the exit code. The settings record must
// already hold the command line.
int RunSilentInstall(const SwitchMap& switches, const SilentInstallObserver& observer = {});

// One notification as the line printed for it, line feed included.
std::string FormatStageLine(int32_t code, double value, const std::wstring& text);
