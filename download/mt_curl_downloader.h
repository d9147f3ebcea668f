#pragma once
// The segmented downloader: one header probe for the final URL, digest and length, the file split
// into one or two byte ranges fetched concurrently into segment files "<destination>_0" and
// "<destination>_1", joined and checked against the digest in the final URL.
//
// Threads of one run, all owned here and joined: the worker "ABDEF" (probe, segments; sends 1001 and
// an early 1004), one thread per pending segment (1002), one waiter that joins the segment threads,
// merges and sends 1003 to 1006. A retry asked for with 1005 arrives on the waiter.
//
// Shared state: the nodes and segment threads are built by the worker before any segment thread
// starts, used by each segment thread for its own node only, and cleared by the waiter after it has
// joined them. `progressMutex_` guards the progress throttle and the last reported percent, which
// every segment thread updates; the bytes held per node are atomic because the progress sum reads
// all nodes. `waitersMutex_` guards `waiters_`.

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/downloader.h"
#include "download/run_workers.h"
#include "download/stop_signal.h"

struct DownloadPartNode {
  std::FILE* file = nullptr;        // the segment file, open for appending; null once closed
  int64_t nextOffset = 0;           // absolute offset of the next byte to fetch
  int64_t endOffset = 0;            // absolute offset of the segment's last byte
  CURL* handle = nullptr;
  std::string url;
  std::string segmentPath;
  int state = -1;                   // -1 pending, 0 complete, -2 not openable, else libcurl's result
  std::atomic<int64_t> bytesHeld{0};
  int64_t attemptStart = 0;         // next offset when the current attempt began
  bool responseChecked = false;     // the current attempt's answer was checked against its range
};

struct SegmentSpan {
  int64_t offset;
  int64_t size;
  bool operator==(const SegmentSpan&) const = default;
};

class CMTCurlDownloader : public CDownloader {
 public:
  static constexpr int64_t kSmallestFile = 256;
  static constexpr int64_t kSegmentUnit = 10485760;  // 10 MiB
  static constexpr int kMaxSegments = 2;

  CMTCurlDownloader(DownloadCallback callback, std::wstring url, std::wstring destinationPath);
  // Stops running transfers at their next progress call, joins every thread and keeps the segment
  // files (the next construction deletes them).
  ~CMTCurlDownloader() override;

  void StartDownload() override;

  // Segment i of `destination`: its ANSI form, "_" and the index.
  static std::string partFilePath(const std::wstring& destination, int index);
  // One segment below 20 MiB, two from there on; the last takes the remainder.
  static std::vector<SegmentSpan> SplitIntoSegments(int64_t fileLength);

 private:
  static uint32_t Start_Down(void* downloader);
  bool getRealDownloadUrl(const std::string& url);
  void BuildNodes();
  void StartSegmentThreads();
  void StartWaiter();
  static int downloadExe(CMTCurlDownloader* downloader, DownloadPartNode* node);
  static void downloadThreadFun(CMTCurlDownloader* downloader, DownloadPartNode* node);
  static void waitForFinishThreadFun(CMTCurlDownloader* downloader);
  int FirstIncompleteState() const;
  void FailRun(int state);
  static size_t partWriteCallback(char* data, size_t size, size_t count, void* node);
  static int partProgressCallback(void* downloader, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  static int ProbeProgress(void* downloader, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  void ReportProgress();
  void clearPartNodes();
  void deletePartFiles();
  double LastReportedPercent();
  void ResetReportedPercent();
  void Notify(int32_t code, double value, const wchar_t* text);

  std::vector<std::unique_ptr<DownloadPartNode>> nodes_;
  DownloadCallback callback_;
  std::wstring destinationPath_;
  std::wstring url_;
  std::string realUrl_;
  int64_t fileLength_ = -1;
  std::string expectedDigest_;

  std::mutex progressMutex_;
  double lastReportedPercent_ = 0.0;  // 0.0 also means: no progress reported in this run
  int64_t lastProgressTime_ = 0;

  bool retried_ = false;
  std::vector<std::thread> segmentThreads_;  // started by the worker, joined by the run's waiter

  std::mutex waitersMutex_;
  std::vector<std::thread> waiters_;

  StopSignal stopping_;
  RunWorkers workers_;  // last: joined first
};
