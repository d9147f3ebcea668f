// quorvane-installer: the process entry. It brackets the installation: HTTP library, the one
// installer per logon, the command line, then the silent installation (-silent=true) or the window.

#include <curl/curl.h>

#include <cstdio>

#include "app/installer_settings.h"
#include "app/silent_install.h"
#include "app/switch_map.h"
#include "platform/environment.h"
#include "platform/single_instance.h"

namespace {

// The named mutex of the original installer: one installer per logon.
constexpr wchar_t kSingleInstanceName[] = L"D1A547DB89C0BC61_Installer_Quorvane";

int RunWindow() {
  std::fputs("quorvane-installer: this build has no installer window yet; run it with -silent=true\n", stderr);
  return InstallerExit::kUsage;
}

}  // namespace

int main() {
  // A failed global start is not fatal here: the downloaders that need libcurl consult CurlReady.
  const bool curlReady = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
  if (!curlReady) Settings().CurlReady = false;

  Platform::SingleInstanceLock instance(kSingleInstanceName);
  if (!instance.Acquire()) {
    std::fputs("quorvane-installer: another installer is running\n", stderr);
    return InstallerExit::kAnotherInstaller;
  }

  const std::wstring commandLine = Platform::ProcessCommandLine();
  Settings().ApplyCommandLine(commandLine);
  const SwitchMap switches = ParseCommandLine(commandLine);
  const int exitCode = switches.GetBool(L"-silent") ? RunSilentInstall(switches) : RunWindow();

  if (curlReady) curl_global_cleanup();
  return exitCode;
}
