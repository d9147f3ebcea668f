#include "install/download_installer.h"

#include <mutex>

#include "app/installer_settings.h"
#include "app/log.h"
#include "download/downloader_factory.h"
#include "install/install_codes.h"
#include "install/install_records.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/path.h"
#include "utils/directory_tree.h"
#include "utils/find_process.h"
#include "utils/temp_work_dir.h"

namespace {

constexpr wchar_t kPackagePrefix[] = L"__Package_";
constexpr wchar_t kTemporaryUninstallerName[] = L"Quorvane_un_asa.exe";
constexpr uint32_t kProductPollMs = 100;

// The package path cleaned up last, by any coordinator of the process: a run whose install folder
// changed still removes the package of the earlier folder. Handlers of stages that never overlap
// use it; the lock only keeps two coordinators of one process (tests) apart.
std::mutex g_lastCleanedMutex;
std::wstring g_lastCleanedPackage;

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// Copies `from` over `to` through a file beside it, so a copy that is still running (and cannot
// be rewritten in place) is replaced too.
void CopyOver(const std::wstring& from, const std::wstring& to) {
  const std::wstring part = to + L".part";
  if (Platform::CopyFileReplace(from, part) && Platform::MoveFileReplace(part, to)) return;
  Platform::RemoveFile(part);
}

}  // namespace

CDownloadInstaller::CDownloadInstaller(DownloadCallback windowCallback, std::wstring url, std::wstring prevUninstaller,
                                       std::wstring installDir, bool dsc, bool ssc, bool adminact)
    : url_(std::move(url)),
      prevUninstaller_(std::move(prevUninstaller)),
      installDir_(std::move(installDir)),
      dsc_(dsc),
      ssc_(ssc),
      adminact_(adminact),
      windowCallback_(std::move(windowCallback)) {}

CDownloadInstaller::~CDownloadInstaller() {
  // The uninstaller's success starts the downloader, so its run must end before the downloader goes.
  if (uninstaller_) uninstaller_->Join();
  downloader_.reset();
  installer_.reset();
  uninstaller_.reset();
}

void CDownloadInstaller::SetParameters(std::wstring url, std::wstring installedDir, std::wstring prevUninstaller,
                                       std::wstring installDir, bool dsc, bool ssc, bool adminact,
                                       bool authorizationact, std::wstring inslang) {
  (void)installedDir;
  url_ = std::move(url);
  prevUninstaller_ = std::move(prevUninstaller);
  {
    std::lock_guard<std::mutex> lock(foldersMutex_);
    installDir_ = std::move(installDir);
  }
  dsc_ = dsc;
  ssc_ = ssc;
  adminact_ = adminact;
  authorizationact_ = authorizationact;
  inslang_ = std::move(inslang);
}

std::wstring CDownloadInstaller::TemporaryUninstallerPath() {
  const std::wstring folder = Utils::GetTempWorkDir();
  return folder.empty() ? std::wstring() : Platform::JoinPath(folder, kTemporaryUninstallerName);
}

void CDownloadInstaller::Start() {
  WRITE_LOG(L"DL_TYPE=%d\r\n", Settings().DownloadType);
  const std::wstring installDir = InstallDir();
  const std::wstring packagePath = PackagePathFor(installDir);
  {
    std::lock_guard<std::mutex> lock(foldersMutex_);
    packagePath_ = packagePath;
  }
  if (!downloader_) {
    downloader_ = CreateDownloader(
        Settings().DownloadType,
        [this](int32_t code, double value, const wchar_t* text) { OnDownloadStage(code, value, text); }, url_,
        packagePath);
  }
  if (!installer_) {
    installer_ = std::make_unique<CInstaller>(
        [this](int32_t code, double value, const wchar_t* text) { OnInstallStage(code, value, text); },
        Quoted(packagePath), installDir, dsc_, ssc_, adminact_);
  }
  installer_->SetInstallDir(installDir);
  installer_->SetShortcuts(dsc_, ssc_);
  installer_->SetAdminFlags(adminact_, authorizationact_);
  installer_->SetLanguage(inslang_);

  if (!prevUninstaller_.empty() && Platform::PathExists(prevUninstaller_)) {
    StartUninstaller();
    return;
  }
  downloader_->StartDownload();
}

void CDownloadInstaller::StartUninstaller() {
  const std::wstring copy = TemporaryUninstallerPath();
  // A failed copy is not examined here: the runner then reports the missing uninstaller (5004).
  if (!copy.empty()) CopyOver(prevUninstaller_, copy);
  // Replacing the runner of an earlier run joins its worker.
  uninstaller_ = std::make_unique<CUnInstaller>(
      [this](int32_t code, double value, const wchar_t* text) { OnUninstallStage(code, value, text); }, copy,
      Platform::DirectoryOf(prevUninstaller_));
  if (Settings().InsNew) {
    // The old product must be gone before its uninstaller runs; there is no time limit.
    while (Utils::FindProcess(kProductExeName) != 0) Platform::SleepMilliseconds(kProductPollMs);
  }
  uninstaller_->Start();
}

void CDownloadInstaller::OnDownloadStage(int32_t code, double value, const wchar_t* text) {
  if (windowCallback_) windowCallback_(code, value, text);
  switch (code) {
    case DownloadCode::kStarted:
      WRITE_LOG(L"DL_CODE_START\r\n");
      Utils::CreateDirectoryTree(InstallDir());
      break;
    case DownloadCode::kProgress:
      WRITE_LOG(L"DL_CODE_PROGRESS\r\n");
      break;
    case DownloadCode::kSucceeded:
      WRITE_LOG(L"DOWNLOAD_SUCCESS\r\n");
      installer_->Start();
      WRITE_LOG(L"DL_CODE_SUCCESS\r\n");
      break;
    case DownloadCode::kFailed:
      CleanUpPackage();
      WRITE_LOG(L"DL_CODE_FAIL\r\n");
      break;
    case DownloadCode::kRetry:
      WRITE_LOG(L"DL_CODE_RETRY\r\n");
      downloader_->StartDownload();
      break;
    default:
      break;
  }
}

void CDownloadInstaller::OnUninstallStage(int32_t code, double value, const wchar_t* text) {
  if (windowCallback_) windowCallback_(code, value, text);
  switch (code) {
    case UninstallCode::kStarted:
      WRITE_LOG(L"UNIST_CODE_START\r\n");
      break;
    case UninstallCode::kProgress:
      WRITE_LOG(L"UNIST_CODE_PROGRESS\r\n");
      break;
    case UninstallCode::kSucceeded:
      WRITE_LOG(L"UNIST_CODE_SUCCESS\r\n");
      if (installer_) downloader_->StartDownload();
      break;
    case UninstallCode::kNotStarted:
      WRITE_LOG(L"UNIST_CODE_FAIL\r\n");
      break;
    case UninstallCode::kFailed:
      WRITE_LOG(L"UNIST_CODE_ERROR\r\n");
      break;
    default:
      break;
  }
}

void CDownloadInstaller::OnInstallStage(int32_t code, double value, const wchar_t* text) {
  if (windowCallback_) windowCallback_(code, value, text);
  switch (code) {
    case InstallCode::kStarted:
      WRITE_LOG(L"IST_CODE_START\r\n");
      break;
    case InstallCode::kSucceeded:
      CleanUpPackage();
      WRITE_LOG(L"INSTALL_SUCCESS\r\n");
      break;
    case InstallCode::kFailed:
      CleanUpPackage();
      WRITE_LOG(L"IST_CODE_FAIL\r\n");
      break;
    default:
      break;
  }
}

std::wstring CDownloadInstaller::InstallDir() const {
  std::lock_guard<std::mutex> lock(foldersMutex_);
  return installDir_;
}

std::wstring CDownloadInstaller::PackagePathFor(const std::wstring& installDir) {
  return Platform::JoinPath(installDir, kPackagePrefix + Settings().ProductId + L".exe");
}

std::wstring CDownloadInstaller::PackagePath() const {
  std::lock_guard<std::mutex> lock(foldersMutex_);
  return packagePath_;
}

void CDownloadInstaller::CleanUpPackage() {
  const std::wstring packagePath = PackagePath();
  RemoveDownloadFiles(packagePath);
  std::lock_guard<std::mutex> lock(g_lastCleanedMutex);
  if (!g_lastCleanedPackage.empty()) RemoveDownloadFiles(g_lastCleanedPackage);
  g_lastCleanedPackage = packagePath;
}
