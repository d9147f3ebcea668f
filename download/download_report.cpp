#include "download/download_report.h"

#include <mutex>

namespace {

// The hook is installed by the start-up thread and called from downloader threads; `g_hookMutex`
// guards `g_hook`. The hook runs on a copy, outside the lock, so it may itself report.
std::mutex g_hookMutex;
DownloadReportHook g_hook;

}  // namespace

void SetDownloadReportHook(DownloadReportHook hook) {
  std::lock_guard<std::mutex> lock(g_hookMutex);
  g_hook = std::move(hook);
}

void ReportDownloadEvent(const std::wstring& name, const std::wstring& reason) {
  DownloadReportHook hook;
  {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    hook = g_hook;
  }
  if (hook) hook(name, reason);
}
