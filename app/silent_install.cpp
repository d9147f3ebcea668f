#include "app/silent_install.h"

#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "app/installer_settings.h"
#include "app/log.h"
#include "download/downloader.h"
#include "install/download_installer.h"
#include "install/install_codes.h"
#include "install/install_records.h"
#include "platform/codepage.h"
#include "platform/path.h"
#include "utils/directory_tree.h"
#include "utils/find_process.h"
#include "utils/hard_disk_manager.h"

namespace {

constexpr wchar_t kUninstallerCopyName[] = L"Quorvane_un_asa.exe";
constexpr double kBytesPerGiB = 1073741824.0;

struct StageEvent {
  int32_t code;
  double value;
  std::wstring text;
};

// Stage notifications handed from the workers to the main thread, in the order they were sent.
// `mutex_` guards `events_`; the workers push, the main thread pops.
class StageEventQueue {
 public:
  void Push(int32_t code, double value, const wchar_t* text) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back({code, value, text ? text : L""});
    arrived_.notify_one();
  }
  StageEvent Pop() {
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait(lock, [this] { return !events_.empty(); });
    return TakeFront();
  }
  std::optional<StageEvent> TryPop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (events_.empty()) return std::nullopt;
    return TakeFront();
  }

 private:
  StageEvent TakeFront() {
    StageEvent e = std::move(events_.front());
    events_.pop_front();
    return e;
  }
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<StageEvent> events_;
};

std::string Utf8(const std::wstring& text) { return Platform::WideToUtf8(text); }

// The exit code of a notification that ends the run, or nothing.
std::optional<int> RunOutcome(int32_t code) {
  switch (code) {
    case InstallCode::kSucceeded: return InstallerExit::kInstalled;
    case InstallCode::kFailed: return InstallerExit::kInstallFailed;
    case DownloadCode::kFailed: return InstallerExit::kDownloadFailed;
    case UninstallCode::kNotStarted: return InstallerExit::kUninstallerNotStarted;
    case UninstallCode::kFailed: return InstallerExit::kUninstallFailed;
    default: return std::nullopt;
  }
}

// The stderr line for a run that a stage ended with a failure.
std::string FailureReason(const StageEvent& e) {
  const std::string text = Utf8(e.text);
  switch (e.code) {
    case DownloadCode::kFailed:
      return "the package download failed for good (code " + std::to_string(static_cast<long long>(e.value)) +
             (text.empty() ? "" : ", " + text) + ")";
    case InstallCode::kFailed:
      return "the package installation failed: " + (text.empty() ? std::string("安装失败") : text);
    case UninstallCode::kNotStarted:
      return "the previous version's uninstaller is missing or cannot start" + (text.empty() ? "" : ": " + text);
    case UninstallCode::kFailed:
      return "the previous version's uninstaller failed: " + text;
    default:
      return "the installation failed";
  }
}

int EndWithReason(int exitCode, const std::string& reason, const SilentInstallObserver& observer) {
  std::fprintf(stderr, "quorvane-installer: %s\n", reason.c_str());
  std::fflush(stderr);
  if (observer.finished) observer.finished(exitCode);
  return exitCode;
}

// The install folder: the custom folder of -installdir, else the folder of the installed version
// (the window's "安装最新版本"), else the default folder.
std::wstring ChooseFolder(InstallRecords& records, const SwitchMap& switches, const std::wstring& defaultDir) {
  if (switches.Has(L"-installdir")) return records.GetCustomInstallDir(switches.GetText(L"-installdir"));
  if (!records.installedPath.empty()) return records.installedPath;
  return defaultDir;
}

// The window's checks before an installation starts; the exit code of the first that fails.
std::optional<int> CheckBeforeInstall(const std::wstring& folder, std::string& reason) {
  if (!Settings().InsNew) {
    for (const wchar_t* program : {kUninstallerCopyName, kProductExeName}) {
      if (Utils::FindProcess(program) != 0) {
        reason = "Quorvane is running (" + Utf8(program) + "); close it and run the installer again";
        return InstallerExit::kProductRunning;
      }
    }
  }
  if (!Utils::CreateDirectoryTree(folder)) {
    reason = "the install folder cannot be created: " + Utf8(folder);
    return InstallerExit::kFolderNotCreatable;
  }
  Utils::HardDiskManager disk;
  disk.CheckFreeSpace(folder);
  if (static_cast<double>(disk.freeBytesAvailable) / kBytesPerGiB < 1.0) {
    char free[32];
    std::snprintf(free, sizeof free, "%.2f", static_cast<double>(disk.freeBytesAvailable) / kBytesPerGiB);
    reason = "less than 1 GiB free for " + Utf8(folder) + " (" + free + " GiB)";
    return InstallerExit::kLowDiskSpace;
  }
  return std::nullopt;
}

void PrintStageLine(const StageEvent& e) {
  const std::string line = FormatStageLine(e.code, e.value, e.text);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

// What the window does with a notification on its own thread, without the window.
void HandleStageEvent(const StageEvent& e, InstallRecords& records, const SilentInstallObserver& observer) {
  PrintStageLine(e);
  if (observer.stageEvent) observer.stageEvent(e.code, e.value, e.text);
  if (e.code == InstallCode::kStarted) records.WriteInstallInfo();
  records.TakeInstallerFact(e.code, e.value, e.text);
}

// The finishing sequence of a successful installation.
void FinishInstallation(InstallRecords& records) {
  records.WriteInstallRecord();
  records.WriteInstallInfo();
  if (records.startupStyle == 1) records.LaunchProduct();
}

}  // namespace

std::string FormatStageLine(int32_t code, double value, const std::wstring& text) {
  char number[64];
  const auto end = std::to_chars(number, number + sizeof number, value).ptr;
  // One notification, one line: a child's carriage return goes, tabs and line feeds become spaces.
  std::wstring clean;
  for (wchar_t c : text) {
    if (c == L'\r') continue;
    clean.push_back(c == L'\t' || c == L'\n' ? L' ' : c);
  }
  return std::to_string(code) + "\t" + std::string(number, end) + "\t" + Utf8(clean) + "\n";
}

int RunSilentInstall(const SwitchMap& switches, const SilentInstallObserver& observer) {
  if (switches.Has(L"-installdir") && !Platform::IsAbsolutePath(switches.GetText(L"-installdir")))
    return EndWithReason(InstallerExit::kUsage, "-installdir needs an absolute folder", observer);

  InstallRecords records;
  records.ReadInstallRecord();
  const std::wstring defaultDir = records.GetDefaultInstallDir();
  const std::wstring folder = ChooseFolder(records, switches, defaultDir);
  WRITE_LOG(L"silent installation into %s\r\n", folder.c_str());

  std::string reason;
  if (const std::optional<int> refused = CheckBeforeInstall(folder, reason))
    return EndWithReason(*refused, reason, observer);

  records.installPath = folder;
  std::wstring uninstaller = records.prevUninstaller;
  if (records.IsOverrideDisabled(folder)) uninstaller.clear();

  StageEventQueue queue;
  auto coordinator = std::make_unique<CDownloadInstaller>(
      [&queue](int32_t code, double value, const wchar_t* text) { queue.Push(code, value, text); }, L"", L"", L"",
      true, true, true);
  coordinator->SetParameters(Settings().DownloadUrl, records.installedPath, uninstaller, folder, true, true,
                             records.consoleUserIsAdmin, records.processIsElevated, L"");
  if (observer.installStarted) observer.installStarted(folder);
  coordinator->Start();

  int exitCode;
  std::string failure;
  for (;;) {
    const StageEvent e = queue.Pop();
    HandleStageEvent(e, records, observer);
    if (const std::optional<int> outcome = RunOutcome(e.code)) {
      exitCode = *outcome;
      failure = FailureReason(e);
      break;
    }
  }
  // Waits for the stage that still runs: the child has exited and the package file is gone.
  coordinator.reset();
  while (const std::optional<StageEvent> late = queue.TryPop()) {
    PrintStageLine(*late);
    if (observer.stageEvent) observer.stageEvent(late->code, late->value, late->text);
    if (exitCode == InstallerExit::kInstalled) records.TakeInstallerFact(late->code, late->value, late->text);
  }

  if (exitCode != InstallerExit::kInstalled) return EndWithReason(exitCode, failure, observer);
  FinishInstallation(records);
  if (observer.finished) observer.finished(exitCode);
  return exitCode;
}
