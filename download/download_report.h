#pragma once
// The download engine's reports for the failure analysis ("下载失败原因" and the like). The analytics
// layer installs a hook at start-up; without one, reports are dropped. The installer side adds the
// elapsed time 0 and its group property to each report.

#include <functional>
#include <string>

using DownloadReportHook = std::function<void(const std::wstring& name, const std::wstring& reason)>;

// Installs `hook` for the whole process (an empty hook removes it). Safe to call from any thread.
void SetDownloadReportHook(DownloadReportHook hook);

// Hands one report to the installed hook, on the calling thread.
void ReportDownloadEvent(const std::wstring& name, const std::wstring& reason);

inline constexpr wchar_t kDownloadFailureReport[] = L"下载失败原因";
