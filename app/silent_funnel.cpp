#include "app/silent_funnel.h"

#include <memory>

#include "analytics/install_funnel.h"
#include "app/installer_settings.h"
#include "download/downloader.h"
#include "install/download_installer.h"
#include "install/install_codes.h"

namespace {

long TruncateToLong(double value) { return static_cast<long>(value); }

}  // namespace

SilentInstallObserver MakeSilentFunnelObserver() {
  // The folder of the run, shared by the observer's callbacks (all on the main thread).
  auto folder = std::make_shared<std::wstring>();
  SilentInstallObserver observer;
  observer.installStarted = [folder](const std::wstring& installFolder) { *folder = installFolder; };
  observer.stageEvent = [folder](int32_t code, double value, const std::wstring& text) {
    const std::wstring& ab = Settings().AbGroup;
    switch (code) {
      case DownloadCode::kStarted:
        InstallFunnel::ReportDownloaderStarted(ab);
        InstallFunnel::ReportDownloadStarted(ab);
        break;
      case DownloadCode::kSucceeded:
        InstallFunnel::ReportDownloadFinished(ab);
        break;
      case DownloadCode::kFailed:
        InstallFunnel::ReportDownloadFailedAt(TruncateToLong(value), text,
                                              CDownloadInstaller::PackagePathFor(*folder), ab);
        break;
      case DownloadCode::kNotice:
        InstallFunnel::ReportDownloadAborted(TruncateToLong(value), text, ab);
        break;
      case InstallCode::kSucceeded:
        InstallFunnel::ReportInstallSucceeded(ab);
        break;
      case InstallCode::kFailed:
        InstallFunnel::ReportInstallFailed(TruncateToLong(value), text, ab);
        break;
      default:
        break;
    }
  };
  return observer;
}
