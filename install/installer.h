#pragma once
// CInstaller: runs the downloaded setup package as a hidden child with the user's choices and turns
// the key=value lines of its standard output into notifications (2001-2004, 3000-3009).
//
// Threads: Start and destruction run on the owner's thread (the coordinator's caller, or a
// downloader thread once the download is complete); each run happens on the worker "ABDEF", which
// alone touches the code page and the installed version while it runs. The owner changes the
// settings only between runs; Start joins the previous worker before it reads them.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "download/download_callback.h"
#include "utils/thread.h"

class CInstaller {
 public:
  // The verdict a line carries.
  enum Verdict : int { kNoVerdict = 0, kVerdictSuccess = 1, kVerdictFailure = 1000 };

  CInstaller(DownloadCallback callback, std::wstring packageToken, std::wstring installDir, bool dsc,
             bool ssc, bool adminact);
  ~CInstaller();
  CInstaller(const CInstaller&) = delete;
  CInstaller& operator=(const CInstaller&) = delete;

  void SetInstallDir(std::wstring dir) { installDir_ = std::move(dir); }
  void SetShortcuts(bool dsc, bool ssc) {
    dsc_ = dsc;
    ssc_ = ssc;
  }
  void SetAdminFlags(bool adminact, bool authorizationact) {
    adminact_ = adminact;
    authorizationact_ = authorizationact;
  }
  void SetLanguage(std::wstring inslang) { inslang_ = std::move(inslang); }

  // Joins the previous run, builds the command line and starts a new run on a new worker; returns
  // at once. Everything else arrives through the callback, on the worker.
  void Start();

  // The package's command line from the current settings.
  std::wstring BuildCommandLine() const;
  const std::wstring& CommandLine() const { return commandLine_; }

  // Applies one line of the package's output (decoded, without its line feed) and sends its
  // notifications; returns the verdict it carries. A line that names no known key is ignored.
  Verdict Parse(std::wstring_view line);
  // Decodes one line with the code page in force and parses it.
  Verdict ParseLineBytes(std::string_view bytes);
  // 0 is the ANSI page; a page this system does not know decodes every later line to empty text.
  uint32_t CodePage() const { return codePage_; }
  const int* InstalledVersion() const { return installedVersion_; }

 private:
  static uint32_t Run(void* self);
  void RunOnce();
  void Notify(int32_t code, double value, std::wstring_view text);

  DownloadCallback callback_;
  std::wstring packageToken_;
  std::wstring installDir_;
  std::wstring commandLine_;
  bool ssc_;
  bool dsc_;
  uint32_t codePage_ = 0;
  std::unique_ptr<Utils::Thread> worker_;
  int installedVersion_[3] = {0, 0, 0};
  bool adminact_;
  bool authorizationact_ = true;
  std::wstring inslang_;
};
