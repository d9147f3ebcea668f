#include "analytics/install_funnel.h"

#include <atomic>

#include "platform/clock.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/wide_format.h"
#include "utils/hard_disk_manager.h"
#include "utils/network.h"

namespace InstallFunnel {
namespace {

// The reasons are formatted into a buffer of 200 characters, terminator included.
constexpr size_t kReasonLimit = 199;

std::wstring Limited(std::wstring text) {
  if (text.size() > kReasonLimit) text.resize(kReasonLimit);
  return text;
}

ReportExtras Ab(const std::wstring& ab) { return {{kAbKey, ab}}; }

std::atomic<bool> downloaderStartReported{false};
// When the last download started (monotonic milliseconds); read by the finish report.
std::atomic<uint64_t> downloadStartedAt{0};

}  // namespace

std::wstring DownloadFailedReason(long code, const std::wstring& message, double freeGigabytes, bool cacheWritable,
                                  int networkStatus) {
  return Limited(Platform::FormatWide(L"1.code=%ld；2.msg=%s；3.缓存磁盘容量=%.2fG；4.缓存读写权限=%s；5.服务器连接状态code=%d",
                                      code, message.c_str(), freeGigabytes, cacheWritable ? L"可读" : L"无权限",
                                      networkStatus));
}

std::wstring CodeAndMessageReason(long code, const std::wstring& message) {
  return Limited(Platform::FormatWide(L":1.code=%ld；2.msg=%s", code, message.c_str()));
}

void ReportCurlInitFailed() { ReportTask(L"libcurl初始化失败", L"", 0, Ab(kDefaultAbGroup)); }

void ReportCrashExit() {
  ReportTask(L"崩溃退出", L"", 0, Ab(kDefaultAbGroup));
  ReportCrash();
}

void ReportDownloaderStarted(const std::wstring& ab) {
  if (downloaderStartReported.exchange(true)) return;
  ReportTask(L"下载器启动", L"", 0, Ab(ab));
}

void ReportDownloadStarted(const std::wstring& ab) {
  downloadStartedAt = Platform::MonotonicMilliseconds();
  ReportTask(L"开始下载大包", L"", 0, Ab(ab));
}

void ReportDownloadFinished(const std::wstring& ab) {
  const float elapsed = static_cast<float>(Platform::MonotonicMilliseconds() - downloadStartedAt.load()) / 1000.0f;
  ReportTask(L"大包下载完毕", L"", elapsed, Ab(ab));
}

void ReportDownloadFailed(long code, const std::wstring& message, double freeGigabytes, bool cacheWritable,
                          int networkStatus, const std::wstring& ab) {
  ReportTask(L"下载失败原因", DownloadFailedReason(code, message, freeGigabytes, cacheWritable, networkStatus), 0, Ab(ab));
}

namespace {

bool CanCreateFileAt(const std::wstring& path) {
  if (Platform::PathExists(path) && !Platform::RemoveFile(path)) return false;
  if (!Platform::WriteFileAtomically(path, "")) return false;
  Platform::RemoveFile(path);
  return true;
}

double FreeGigabytesFor(const std::wstring& folder) {
  Utils::HardDiskManager disk;
  disk.CheckFreeSpace(folder);
  return static_cast<double>(disk.freeBytesAvailable) / (1024.0 * 1024.0 * 1024.0);
}

}  // namespace

void ReportDownloadFailedAt(long code, const std::wstring& message, const std::wstring& packagePath,
                            const std::wstring& ab) {
  const int network = Utils::CheckNetwork();
  const bool writable = CanCreateFileAt(packagePath);
  ReportDownloadFailed(code, message, FreeGigabytesFor(Platform::DirectoryOf(packagePath)), writable, network, ab);
}

void ReportDownloadAborted(long code, const std::wstring& message, const std::wstring& ab) {
  ReportTask(L"下载失败原因", CodeAndMessageReason(code, message), 0, Ab(ab));
}

void ReportInstallFailed(long code, const std::wstring& message, const std::wstring& ab) {
  ReportTask(L"安装失败原因", CodeAndMessageReason(code, message), 0, Ab(ab));
}

void ReportInstallSucceeded(const std::wstring& ab) { ReportTask(L"安装成功", L"", 0, Ab(ab)); }

}  // namespace InstallFunnel
