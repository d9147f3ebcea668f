#pragma once
// The default downloader: one libcurl stream through a CurlClient, failed attempts repeated within a
// budget (each resuming the part file), the file checked against the digest in the final URL.
//
// Threads: every run is one worker ("ABDEF"); all notifications come from it, and a retry asked for
// with 1005 arrives on it, inside the notification. The client and the retried flag are used by the
// current worker only: a new run starts after the previous worker's last use of them.

#include <atomic>
#include <string>

#include "download/curl_client.h"
#include "download/downloader.h"
#include "download/run_workers.h"
#include "download/stop_signal.h"

class CCurlDownloader : public CDownloader {
 public:
  CCurlDownloader(DownloadCallback callback, std::wstring url, std::wstring destinationPath);
  // Stops a running transfer at its next progress call, joins every worker and keeps the part file.
  ~CCurlDownloader() override;

  void StartDownload() override;

  // The client's progress function: 1002 with percent / 100 when the speed is positive and the
  // percent at most 100.
  static void onCurlProgress(void* owner, double speed, double reserved, double percent);

 private:
  static uint32_t dlThreadFun(void* downloader);
  void Notify(int32_t code, double value, const wchar_t* text);

  DownloadCallback callback_;
  std::wstring destinationPath_;
  std::wstring url_;
  CurlClient client_;
  bool retried_ = false;
  std::atomic<int> activeRuns_{0};  // runs between their 1001 and the decision of their outcome
  StopSignal stopping_;
  RunWorkers workers_;  // last: joined before the fields above go away
};
