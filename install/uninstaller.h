#pragma once
// CUnInstaller: runs the previous version's uninstaller (a copy in the installer's private
// temporary folder) silently, pointed at the installed folder, and reports 5002-5005.
//
// Threads: constructed, started and destroyed on the coordinator's caller's thread; the run happens
// on the worker "UnInstaller", which alone touches the code page while it runs. A runner is started
// once; the coordinator makes a new one for every installation.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "download/download_callback.h"
#include "utils/thread.h"

class CUnInstaller {
 public:
  // The verdict a line carries.
  enum Verdict : int { kNoVerdict = 0, kVerdictSuccess = 1, kVerdictFailure = 1000 };

  CUnInstaller(DownloadCallback callback, std::wstring uninstallerPath, std::wstring uninstallDir);
  ~CUnInstaller();
  CUnInstaller(const CUnInstaller&) = delete;
  CUnInstaller& operator=(const CUnInstaller&) = delete;

  // Builds the command line and starts the run on the worker; returns at once.
  void Start();
  // Waits for the run to end (the coordinator's destruction does so first: the run may still start
  // the download).
  void Join();

  // The uninstaller's command line, given the two administrator answers.
  std::wstring BuildCommandLine(bool consoleUserIsAdmin, bool processIsElevated) const;
  const std::wstring& CommandLine() const { return commandLine_; }

  // Applies one line of the uninstaller's output (decoded, without its line feed).
  Verdict Parse(std::wstring_view line);
  Verdict ParseLineBytes(std::string_view bytes);
  uint32_t CodePage() const { return codePage_; }

 private:
  static uint32_t Run(void* self);
  void RunOnce();
  void Notify(int32_t code, double value, std::wstring_view text);

  DownloadCallback callback_;
  std::wstring commandLine_;
  std::wstring uninstallerPath_;
  std::wstring uninstallDir_;
  uint32_t codePage_ = 0;
  std::unique_ptr<Utils::Thread> worker_;
};
