#pragma once
// CDownloadInstaller carries one installation through its stages: the previous version's
// uninstaller when one is to be removed, the download of the setup package, and the package's
// installation. Every notification of every stage goes first, unchanged, to the window's callback;
// the coordinator then moves to the next stage (uninstalled -> download, downloaded -> install,
// retry -> download again) and deletes the package file once the run is over.
//
// Threads: construction, SetParameters, Start and destruction run on the owner's thread. The stage
// handlers run on the thread of the stage that reports (the uninstaller's worker, the downloader's
// threads, the installer's worker), so the window callback must accept calls from any thread.
// The window hears of a failure before its handler has cleaned up, so the owner may begin the next
// run while that handler still reads the install folder and the package path: `foldersMutex_`
// guards those two. Everything else the handlers use is set before the first stage starts.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "download/downloader.h"
#include "install/installer.h"
#include "install/uninstaller.h"

class CDownloadInstaller {
 public:
  CDownloadInstaller(DownloadCallback windowCallback, std::wstring url, std::wstring prevUninstaller,
                     std::wstring installDir, bool dsc, bool ssc, bool adminact);
  // Waits for the stage that runs (a running child installer or uninstaller included).
  ~CDownloadInstaller();
  CDownloadInstaller(const CDownloadInstaller&) = delete;
  CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

  // `installedDir` (where the previous version lives) is accepted for the window's sake only.
  // An empty `prevUninstaller` means that no previous version is to be removed.
  void SetParameters(std::wstring url, std::wstring installedDir, std::wstring prevUninstaller,
                     std::wstring installDir, bool dsc, bool ssc, bool adminact, bool authorizationact,
                     std::wstring inslang);
  // Begins a run on the calling thread and returns; the stages go on on worker threads. With the
  // InsNew setting and a previous version to remove, first waits for the running product to exit.
  void Start();

  // The package file of the current run: the install folder's "__Package_Quorvane.exe".
  std::wstring PackagePath() const;
  // The package file a run into `installDir` downloads.
  static std::wstring PackagePathFor(const std::wstring& installDir);
  // The copy of the previous uninstaller that a run starts, in the installer's private temporary
  // folder; empty when that folder cannot be made.
  static std::wstring TemporaryUninstallerPath();

 private:
  void OnDownloadStage(int32_t code, double value, const wchar_t* text);
  void OnInstallStage(int32_t code, double value, const wchar_t* text);
  void OnUninstallStage(int32_t code, double value, const wchar_t* text);
  void CleanUpPackage();
  std::wstring InstallDir() const;
  void StartUninstaller();

  std::unique_ptr<CUnInstaller> uninstaller_;
  std::unique_ptr<CDownloader> downloader_;
  std::unique_ptr<CInstaller> installer_;
  std::wstring url_;
  std::wstring prevUninstaller_;
  mutable std::mutex foldersMutex_;
  std::wstring installDir_;   // guarded by foldersMutex_
  std::wstring packagePath_;  // guarded by foldersMutex_
  std::wstring inslang_;
  bool dsc_;
  bool ssc_;
  bool adminact_;
  bool authorizationact_ = true;
  DownloadCallback windowCallback_;
};
