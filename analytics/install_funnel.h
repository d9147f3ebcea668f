#pragma once
// The installer's funnel reports, one call per moment, with the exact names and reason texts.
// The window and the silent installation make the same calls at the same moments; `ab` is the
// caller's current A/B group code. (The HTTP client's length-probe report reaches analytics
// through the download report hook that InitAnalytics installs.)

#include <string>

#include "analytics/installer_analytics.h"

namespace InstallFunnel {

// Start-up: the HTTP library's global initialisation failed (made before InitAnalytics, so it
// is dropped like every report without a tracker).
void ReportCurlInitFailed();
// The crash filter: "崩溃退出", then the crash event.
void ReportCrashExit();
// The first start notification; only the first call in a process sends "下载器启动".
void ReportDownloaderStarted(const std::wstring& ab = kDefaultAbGroup);
// Every download start (code 1001); restarts the download stopwatch.
void ReportDownloadStarted(const std::wstring& ab = kDefaultAbGroup);
// Download finished (code 1003), with the seconds since the last download start.
void ReportDownloadFinished(const std::wstring& ab = kDefaultAbGroup);
// Download failed (code 1004): the result code and message, the cache drive's free space in
// GiB, whether a probe file could be written to the cache folder, the network status code.
void ReportDownloadFailed(long code, const std::wstring& message, double freeGigabytes, bool cacheWritable,
                          int networkStatus, const std::wstring& ab = kDefaultAbGroup);
// The same, with the diagnostics gathered for the package at `packagePath`: the free space of its
// drive, whether a file can be created there (a package left there is deleted to find out, as
// the original installer does), and the connectivity probe's result.
void ReportDownloadFailedAt(long code, const std::wstring& message, const std::wstring& packagePath,
                            const std::wstring& ab = kDefaultAbGroup);
// Notification 1006.
void ReportDownloadAborted(long code, const std::wstring& message, const std::wstring& ab = kDefaultAbGroup);
// Install failed (code 2004) and install succeeded (code 2003).
void ReportInstallFailed(long code, const std::wstring& message, const std::wstring& ab = kDefaultAbGroup);
void ReportInstallSucceeded(const std::wstring& ab = kDefaultAbGroup);

// The reason texts, filled as the reports fill them (at most 199 characters).
std::wstring DownloadFailedReason(long code, const std::wstring& message, double freeGigabytes, bool cacheWritable,
                                  int networkStatus);
std::wstring CodeAndMessageReason(long code, const std::wstring& message);

}  // namespace InstallFunnel
