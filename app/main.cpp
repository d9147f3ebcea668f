// quorvane-installer: the process entry. It brackets the installation in a fixed order: library
// search hardening, the crash filter, the HTTP library, one installer per logon, analytics, the
// command line, then the window (or the silent installation with -silent=true), and the
// shutdown in reverse: analytics' final flush, the HTTP library, the installation's objects, the lock.

#include <curl/curl.h>

#include <cstdio>

#include "analytics/install_funnel.h"
#include "analytics/installer_analytics.h"
#include "app/installer_settings.h"
#include "app/silent_funnel.h"
#include "app/silent_install.h"
#include "app/switch_map.h"
#include "platform/crash_filter.h"
#include "platform/environment.h"
#include "platform/single_instance.h"

namespace {

// The named mutex of the original installer: one installer per logon.
constexpr wchar_t kSingleInstanceName[] = L"D1A547DB89C0BC61_Installer_Quorvane";

// Best-effort, from the crash filter: the two crash reports, then the final flush, since the
// crash event alone would leave on a send thread that dies with the process.
void ReportCrashAndFlush() {
  if (!Settings().IsEnableAppMetrics) return;
  InstallFunnel::ReportCrashExit();
  ShutdownAnalytics();
}

int RunWindow() {
  std::fputs("quorvane-installer: this build has no installer window yet; run it with -silent=true\n", stderr);
  return InstallerExit::kUsage;
}

}  // namespace

int main() {
  Platform::HardenLibrarySearch();
  Platform::InstallCrashFilter(ReportCrashAndFlush);

  // A failed global start is not fatal here: the downloaders that need libcurl consult CurlReady.
  const bool curlReady = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
  if (!curlReady) {
    Settings().CurlReady = false;
    InstallFunnel::ReportCurlInitFailed();  // no tracker yet: dropped, as the original installer's is
  }

  Platform::SingleInstanceLock instance(kSingleInstanceName);
  if (!instance.Acquire()) {
    // The second installer simply ends: nothing shown, nothing reported.
    if (curlReady) curl_global_cleanup();
    return InstallerExit::kAnotherInstaller;
  }

  InitAnalytics();  // sees the settings file only: the command line comes next

  const std::wstring commandLine = Platform::ProcessCommandLine();
  Settings().ApplyCommandLine(commandLine);
  const SwitchMap switches = ParseCommandLine(commandLine);
  const int exitCode =
      switches.GetBool(L"-silent") ? RunSilentInstall(switches, MakeSilentFunnelObserver()) : RunWindow();

  if (Settings().IsEnableAppMetrics) ShutdownAnalytics();
  if (curlReady) curl_global_cleanup();
  return exitCode;
}
