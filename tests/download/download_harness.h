#pragma once
// What the download tests share: libcurl's global set-up, an owner that records every notification
// and answers 1005 the way the coordinator does, the checks of the notification contract, and a
// published package behind a running package server.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/downloader.h"
#include "tests/support/peers.h"

namespace DownloadTest {

struct Notification {
  int32_t code;
  double value;
  std::wstring text;
  uint32_t thread;
};

// The owner of one downloader. Notifications arrive on the downloader's threads; `mutex_` guards
// the record and the end flag.
class Owner {
 public:
  // The callback to build the downloader with.
  DownloadCallback Callback();
  // Retries (1005) are answered with StartDownload on `downloader`, inside the notification.
  void Attach(CDownloader* downloader) { downloader_ = downloader; }
  // Waits for the first 1003 or 1004. False on timeout.
  bool WaitForEnd(std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Waits until a notification with `code` has arrived. False on timeout.
  bool WaitFor(int32_t code, std::chrono::milliseconds timeout = std::chrono::seconds(30));
  std::vector<Notification> Notifications() const;
  // The codes without the progress reports: the outline of what happened.
  std::vector<int32_t> Outline() const;
  size_t Count() const;

 private:
  void Record(int32_t code, double value, const wchar_t* text);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Notification> notifications_;
  bool ended_ = false;
  CDownloader* downloader_ = nullptr;
};

// Builds the downloader of `type`, runs it to its end as the coordinator would and destroys it.
std::vector<Notification> Download(int32_t type, const std::string& url, const std::filesystem::path& destination,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(60));

// Checks every rule of the notification contract: each run begins with 1001 (1.0, empty text);
// progress values lie in 0..1 and never decrease within a run; each run ends with exactly one of
// 1003, 1004, 1005; 1005 comes at most once; the last notification is 1003 or 1004; no
// notification comes from `starter`, the thread that started the first run.
void ExpectContract(const std::vector<Notification>& notifications, uint32_t starter);

// A package of `size` bytes published under "/software/387" and served on loopback.
struct PackageSite {
  explicit PackageSite(uint64_t size, TestSupport::FileFill fill = TestSupport::FileFill::Pattern,
                       const TestSupport::PublishOptions& options = {});

  std::string Url() const { return server->Url(package.requestPath); }
  std::filesystem::path Destination() const { return dir / "__Package_Quorvane.exe"; }
  // The GET requests for the package file (under whatever digest folder), in arrival order.
  std::vector<TestSupport::ServedRequest> PackageGets() const;
  // Their Range headers.
  std::vector<std::string> Ranges() const;

  TestSupport::TempDir dir{"qv-download"};
  std::filesystem::path source;
  TestSupport::PublishedPackage package;
  std::unique_ptr<TestSupport::PackageServer> server;
};

// Wide text for a UTF-8 literal in expectations.
std::wstring Wide(const std::string& utf8);

}  // namespace DownloadTest
