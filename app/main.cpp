// quorvane-installer: the process entry. It brackets the installation in a fixed order: library
// search hardening, the crash filter, the HTTP library, one installer per logon, analytics, the
// command line, then the window (or the silent installation with -silent=true), and the
// shutdown in reverse: analytics' final flush, the HTTP library, the installation's objects, the lock.

#include <curl/curl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analytics/install_funnel.h"
#include "analytics/installer_analytics.h"
#include "app/installer_settings.h"
#include "app/silent_funnel.h"
#include "app/silent_install.h"
#include "app/switch_map.h"
#include "platform/crash_filter.h"
#include "platform/environment.h"
#include "platform/instance_channel.h"
#include "platform/open_descriptors.h"
#include "platform/single_instance.h"
#include "ui/drop_shadow.h"
#include "ui/framework/gtk/gtk_host.h"
#include "ui/framework/window_registry.h"
#include "ui/main_wnd.h"

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

// Debug aid for leak hunts (QV_DEBUG_COUNT_FDS=1): the descriptors still open once the services
// are released, as one line on standard error.
void ReportOpenDescriptors() {
  if (Platform::GetEnvironmentVariable(L"QV_DEBUG_COUNT_FDS").value_or(L"") != L"1") return;
  const std::vector<Platform::OpenDescriptor> open = Platform::ListOpenDescriptors();
  std::string line = "quorvane-installer debug: " + std::to_string(open.size()) + " open descriptors at exit:";
  for (const Platform::OpenDescriptor& d : open) line += " " + std::to_string(d.number) + "=" + d.target;
  std::fprintf(stderr, "%s\n", line.c_str());
}

// What the process releases after the main loop, in this order, before the objects of the
// installation go: analytics with its final flush, then the HTTP library.
void ReleaseServices(bool curlReady) {
  if (Settings().IsEnableAppMetrics) ShutdownAnalytics();
  if (curlReady) curl_global_cleanup();
  ReportOpenDescriptors();
}

// The main window on a real display, run modally until it closes. The window object (and the
// coordinator it owns, which joins its workers) outlives the release of the services.
int RunWindow(bool curlReady) {
  SkinUI::GtkHost host;
  if (!host.IsAvailable()) {
    std::fputs("quorvane-installer: no display to show the installer on; run it with -silent=true\n", stderr);
    ReleaseServices(curlReady);
    return InstallerExit::kUsage;
  }
  // Where the display cannot show per-pixel alpha the windows simply have no shadow.
  SkinUI::CDropShadow::RegisterShadowClass();
  SkinUI::CMainWnd window;
  if (!window.Create(nullptr, SkinUI::kProductDisplayName, SkinUI::WS_OVERLAPPEDWINDOW | SkinUI::WS_VISIBLE, 0)) {
    std::fputs("quorvane-installer: the installer window could not be created\n", stderr);
    ReleaseServices(curlReady);
    return InstallerExit::kUsage;
  }
  window.CenterWindow();
  {
    // Window message 1224 from other processes: the launch report of whoever started us.
    const SkinUI::HWND hwnd = window.GetHWND();
    Platform::InstanceMessageReceiver launchMessages(kSingleInstanceName, [hwnd](uint32_t message) {
      if (message == SkinUI::WM_LAUNCH_REPORT) SkinUI::PostMessage(hwnd, message, 0, 0);
    });
    window.ShowModal();
  }
  ReleaseServices(curlReady);
  return InstallerExit::kInstalled;
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
  if (!switches.GetBool(L"-silent")) return RunWindow(curlReady);
  const int exitCode = RunSilentInstall(switches, MakeSilentFunnelObserver());
  ReleaseServices(curlReady);
  return exitCode;
}
