#include "download/mt_curl_downloader.h"

#include <algorithm>
#include <cinttypes>
#include <ctime>

#include "app/installer_settings.h"
#include "app/log.h"
#include "download/attempt_budget.h"
#include "download/curl_common.h"
#include "download/file_digest.h"
#include "platform/codepage.h"
#include "platform/file.h"

namespace {

constexpr uint32_t kRetryPauseMs = 400;
constexpr uint32_t kSegmentStartSpacingMs = 100;
// Large copy steps: with 1 KiB pieces the per-call cost of the streams, not the disk, sets the
// pace of the merge (four times slower for half a gibibyte).
constexpr size_t kMergeChunk = 1 << 20;

std::wstring WidePath(const std::string& ansiPath) { return Platform::AnsiToWide(ansiPath); }

// A "200 OK" to a request for a range that does not start at byte 0 carries the wrong bytes: the
// server ignored the range. The file protocol has no status and honours ranges itself.
bool AnswerMatchesRange(CURL* handle, int64_t rangeStart) {
  long code = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
  return !(code == 200 && rangeStart > 0);
}

}  // namespace

CMTCurlDownloader::CMTCurlDownloader(DownloadCallback callback, std::wstring url, std::wstring destinationPath)
    : callback_(std::move(callback)),
      destinationPath_(std::move(destinationPath)),
      url_(std::move(url)),
      workers_(this, &CMTCurlDownloader::Start_Down) {
  // No download data survives from an earlier installer run.
  Platform::RemoveFile(destinationPath_);
  deletePartFiles();
}

CMTCurlDownloader::~CMTCurlDownloader() {
  stopping_.Raise();
  workers_.Stop();  // no run can start a waiter any more
  std::vector<std::thread> waiters;
  {
    std::lock_guard<std::mutex> lock(waitersMutex_);
    waiters.swap(waiters_);
  }
  for (std::thread& waiter : waiters) waiter.join();
  for (std::thread& segment : segmentThreads_) segment.join();  // only when no waiter could start
  clearPartNodes();
}

void CMTCurlDownloader::StartDownload() { workers_.StartRun(); }

std::string CMTCurlDownloader::partFilePath(const std::wstring& destination, int index) {
  return Platform::WideToAnsi(destination) + "_" + std::to_string(index);
}

std::vector<SegmentSpan> CMTCurlDownloader::SplitIntoSegments(int64_t fileLength) {
  const int64_t count = std::clamp<int64_t>(fileLength / kSegmentUnit, 1, kMaxSegments);
  const int64_t size = fileLength / count;
  std::vector<SegmentSpan> spans;
  for (int64_t i = 0; i < count; ++i)
    spans.push_back({i * size, i + 1 == count ? fileLength - i * size : size});
  return spans;
}

void CMTCurlDownloader::Notify(int32_t code, double value, const wchar_t* text) {
  if (!stopping_.Raised() && callback_) callback_(code, value, text);
}

double CMTCurlDownloader::LastReportedPercent() {
  std::lock_guard<std::mutex> lock(progressMutex_);
  return lastReportedPercent_;
}

void CMTCurlDownloader::ResetReportedPercent() {
  std::lock_guard<std::mutex> lock(progressMutex_);
  lastReportedPercent_ = 0.0;
}

void CMTCurlDownloader::deletePartFiles() {
  for (int i = 0; i < kMaxSegments; ++i) Platform::RemoveFile(WidePath(partFilePath(destinationPath_, i)));
}

uint32_t CMTCurlDownloader::Start_Down(void* downloader) {
  auto* d = static_cast<CMTCurlDownloader*>(downloader);
  d->Notify(DownloadCode::kStarted, 1.0, L"");
  WRITE_LOG(L"start download\r\n");
  if (d->destinationPath_.empty()) {
    // Nowhere to put the file: the run ends with this one failure.
    d->Notify(DownloadCode::kFailed, 1.0, L"");
    return 0;
  }
  const std::string narrowUrl = ToCurlUrl(d->url_);
  Platform::RemoveFile(d->destinationPath_);
  // Segment files are resumed only when the failed run before this one had reported progress.
  if (d->LastReportedPercent() == 0.0) d->deletePartFiles();

  const bool known = !d->realUrl_.empty() && d->fileLength_ >= kSmallestFile;
  if (!known && !d->getRealDownloadUrl(narrowUrl)) {
    d->Notify(DownloadCode::kFailed, 0.0, kLibCurlText);
    return 0;
  }
  if (d->stopping_.Raised()) return 0;
  d->BuildNodes();
  d->StartSegmentThreads();
  d->StartWaiter();
  return 0;
}

bool CMTCurlDownloader::getRealDownloadUrl(const std::string& url) {
  realUrl_.clear();
  expectedDigest_.clear();
  fileLength_ = 0;
  if (!Settings().CurlReady) return false;

  CURL* handle = curl_easy_init();
  if (!handle) return false;
  curl_slist* headers = curl_slist_append(nullptr, "Connection: keep-alive");
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
  // Certificate verification keeps libcurl's defaults: the file fetched here is run afterwards.
  int options = 0;
  options |= curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  options |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardCurlBody);
  options |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kCurlConnectTimeoutSeconds);
  options |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  options |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::ProbeProgress);
  options |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
  if (options != 0 || curl_easy_perform(handle) != CURLE_OK) {
    curl_easy_cleanup(handle);
    curl_slist_free_all(headers);
    return false;
  }

  char* effective = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective && *effective) {
    realUrl_ = effective;
    WRITE_LOG(L"Download File real url %hs\r\n", realUrl_.c_str());
    expectedDigest_ = GetUrlMd5(realUrl_);
  }
  curl_off_t length = -1;
  long code = 0;
  const bool read = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
                    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code) == CURLE_OK;
  // A local file has no status; its length is its size.
  const bool acceptable = (code >= 200 && code <= 399) || (code == 0 && IsFileUrl(Platform::AnsiToWide(url)));
  if (read && acceptable) {
    fileLength_ = length;
    WRITE_LOG(L"Download File Length %lld\r\n", static_cast<long long>(fileLength_));
  }
  curl_easy_cleanup(handle);
  curl_slist_free_all(headers);
  return !realUrl_.empty() && fileLength_ > kSmallestFile - 1;
}

void CMTCurlDownloader::BuildNodes() {
  const std::vector<SegmentSpan> spans = SplitIntoSegments(fileLength_);
  for (size_t i = 0; i < spans.size(); ++i) {
    auto node = std::make_unique<DownloadPartNode>();
    node->segmentPath = partFilePath(destinationPath_, static_cast<int>(i));
    const std::optional<uint64_t> existing =
        Platform::IsRegularFile(WidePath(node->segmentPath)) ? Platform::FileSize(WidePath(node->segmentPath))
                                                             : std::nullopt;
    const int64_t held = existing ? static_cast<int64_t>(*existing) : 0;
    node->bytesHeld = held;
    node->nextOffset = spans[i].offset + held;
    node->endOffset = spans[i].offset + spans[i].size - 1;
    node->handle = curl_easy_init();
    node->url = realUrl_;
    if (node->nextOffset > node->endOffset) {
      node->state = 0;
    } else if (!node->handle) {
      node->state = DownloadError::kNoHandle;
    } else if (!(node->file = std::fopen(node->segmentPath.c_str(), "ab+"))) {
      node->state = -2;
    }
    nodes_.push_back(std::move(node));
  }
}

void CMTCurlDownloader::StartSegmentThreads() {
  for (const auto& node : nodes_) {
    if (node->state != -1) continue;
    if (stopping_.Raised()) {
      node->state = CURLE_ABORTED_BY_CALLBACK;
      continue;
    }
    try {
      segmentThreads_.emplace_back(&CMTCurlDownloader::downloadThreadFun, this, node.get());
    } catch (const std::system_error&) {
      node->state = DownloadError::kNoHandle;
      continue;
    }
    stopping_.Pause(kSegmentStartSpacingMs);
  }
}

void CMTCurlDownloader::StartWaiter() {
  // Earlier waiters have sent their last notification; the one that asked for this run may still
  // be returning from it.
  std::vector<std::thread> finished;
  {
    std::lock_guard<std::mutex> lock(waitersMutex_);
    finished.swap(waiters_);
  }
  for (std::thread& waiter : finished) waiter.join();
  try {
    std::thread waiter(&CMTCurlDownloader::waitForFinishThreadFun, this);
    std::lock_guard<std::mutex> lock(waitersMutex_);
    waiters_.push_back(std::move(waiter));
  } catch (const std::system_error&) {
    waitForFinishThreadFun(this);  // no thread to spare: finish the run here
  }
}

int CMTCurlDownloader::downloadExe(CMTCurlDownloader* downloader, DownloadPartNode* node) {
  char range[64];
  std::snprintf(range, sizeof range, "%" PRId64 "-%" PRId64, node->nextOffset, node->endOffset);
  node->attemptStart = node->nextOffset;
  node->responseChecked = false;

  CURL* h = node->handle;
  // Certificate verification keeps libcurl's defaults: the file fetched here is run afterwards.
  int options = 0;
  options |= curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  options |= curl_easy_setopt(h, CURLOPT_URL, node->url.c_str());
  options |= curl_easy_setopt(h, CURLOPT_TIMEOUT, 0L);
  options |= curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  options |= curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::partWriteCallback);
  options |= curl_easy_setopt(h, CURLOPT_WRITEDATA, node);
  options |= curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  options |= curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::partProgressCallback);
  options |= curl_easy_setopt(h, CURLOPT_XFERINFODATA, downloader);
  options |= curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  options |= curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kCurlConnectTimeoutSeconds);
  options |= curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, kCurlStallBytesPerSecond);
  options |= curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kCurlStallSeconds);
  options |= curl_easy_setopt(h, CURLOPT_RANGE, range);
  if (options != 0) return options;

  const CURLcode rc = curl_easy_perform(h);
  if (rc != CURLE_OK)
    WRITE_LOG(L"error:%d:%s\r\n", static_cast<int>(rc), CurlResultText(rc).c_str());
  else
    WRITE_LOG(L"curl_easy_cleanup\r\n");
  curl_easy_reset(h);
  if (rc == CURLE_OK && node->file) {
    const bool flushed = std::fclose(node->file) == 0;
    node->file = nullptr;
    if (!flushed) return node->state = CURLE_WRITE_ERROR;
  }
  return node->state = rc;
}

void CMTCurlDownloader::downloadThreadFun(CMTCurlDownloader* downloader, DownloadPartNode* node) {
  // The budget is tested before charging a failure: at most 7 attempts, 13 when every one is cut
  // short.
  AttemptBudget budget;
  auto holdsEveryByte = [node] { return node->nextOffset > node->endOffset; };
  int rc = downloadExe(downloader, node);
  while (rc != 0 && budget.Remaining() > 0 && !holdsEveryByte() && !downloader->stopping_.Raised()) {
    budget.Charge(rc);
    WRITE_LOG(L"CurlDownLoader Code=%d\r\n", rc);
    if (!downloader->stopping_.Pause(kRetryPauseMs)) break;
    rc = downloadExe(downloader, node);
  }
  // An answer that ran past the segment's end was cut there (23) after its last byte: nothing is
  // left to ask for, and a range starting past its own end would be no request at all.
  if (rc != 0 && holdsEveryByte()) {
    WRITE_LOG(L"segment complete after code %d\r\n", rc);
    node->state = 0;
  }
  if (node->file) {
    std::fclose(node->file);
    node->file = nullptr;
  }
}

size_t CMTCurlDownloader::partWriteCallback(char* data, size_t size, size_t count, void* userdata) {
  auto* node = static_cast<DownloadPartNode*>(userdata);
  if (!node || !node->file) return 0;
  if (!node->responseChecked) {
    node->responseChecked = true;
    if (!AnswerMatchesRange(node->handle, node->attemptStart)) {
      WRITE_LOG(L"range %lld ignored by the server\r\n", static_cast<long long>(node->attemptStart));
      return 0;
    }
  }
  const size_t offered = size * count;
  size_t written = 0;
  if (node->nextOffset <= node->endOffset) {
    // Bytes past the segment's end belong to the next segment: they are cut, which ends the
    // transfer with a write error.
    const uint64_t room = static_cast<uint64_t>(node->endOffset - node->nextOffset + 1);
    const size_t wanted = offered > room ? static_cast<size_t>(room) : offered;
    written = std::fwrite(data, 1, wanted, node->file);
    node->nextOffset += static_cast<int64_t>(written);
  }
  node->bytesHeld += static_cast<int64_t>(written);
  return written;
}

int CMTCurlDownloader::ProbeProgress(void* downloader, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<CMTCurlDownloader*>(downloader)->stopping_.Raised() ? 1 : 0;
}

int CMTCurlDownloader::partProgressCallback(void* downloader, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* self = static_cast<CMTCurlDownloader*>(downloader);
  // Only a destruction in progress stops a segment transfer.
  if (self->stopping_.Raised()) return 1;
  self->ReportProgress();
  return 0;
}

void CMTCurlDownloader::ReportProgress() {
  // Both segment threads come here; the lock keeps the throttle and the percent consistent and the
  // 1002 values in order.
  std::lock_guard<std::mutex> lock(progressMutex_);
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  if (now - lastProgressTime_ < 1) return;
  lastProgressTime_ = now;
  double percent = 0.0;
  if (fileLength_ >= kSmallestFile) {
    for (const auto& node : nodes_) {
      const int64_t held = node->bytesHeld.load();
      if (held > 0) percent += static_cast<double>(held) * 100.0 / static_cast<double>(fileLength_);
    }
    if (percent > 100.0) return;
  }
  if (percent - lastReportedPercent_ >= 1.0) {
    lastReportedPercent_ = percent;
    Notify(DownloadCode::kProgress, percent / 100.0, L"");
  }
}

// Copies the whole of the file at `path` to the end of `to`; false when it cannot be opened, read
// to its end or written.
static bool AppendFile(std::FILE* to, const std::string& path) {
  std::FILE* part = std::fopen(path.c_str(), "rb+");
  if (!part) return false;
  bool complete = true;
  std::vector<char> chunk(kMergeChunk);
  size_t n;
  while (complete && (n = std::fread(chunk.data(), 1, chunk.size(), part)) > 0)
    complete = std::fwrite(chunk.data(), 1, n, to) == n;
  if (std::ferror(part)) complete = false;
  std::fclose(part);
  return complete;
}

void CMTCurlDownloader::waitForFinishThreadFun(CMTCurlDownloader* d) {
  std::vector<std::thread> segments;
  segments.swap(d->segmentThreads_);
  for (std::thread& segment : segments) segment.join();
  if (d->stopping_.Raised()) {
    d->clearPartNodes();  // the segment files stay for the next construction to discard
    return;
  }
  const int st = d->FirstIncompleteState();
  if (st != 0) return d->FailRun(st);
  d->ResetReportedPercent();

  // Merge: the later segment files are appended to segment file 0, which then becomes the
  // destination. Any open, read, write or rename failure fails the run like a failed segment, and
  // nothing partial reaches the destination.
  const std::string& firstPath = d->nodes_.front()->segmentPath;
  std::FILE* first = std::fopen(firstPath.c_str(), "ab+");
  if (!first) {
    WRITE_LOG(L"partPath::%hs cannot be opened\r\n", firstPath.c_str());
    return d->FailRun(DownloadError::kFileOpen);
  }
  bool complete = true;
  for (size_t i = 1; complete && i < d->nodes_.size(); ++i) {
    complete = AppendFile(first, d->nodes_[i]->segmentPath);
    WRITE_LOG(L"partPath::%hs\r\n", d->nodes_[i]->segmentPath.c_str());
  }
  if (std::fclose(first) != 0) complete = false;
  if (!complete || !Platform::MoveFileReplace(WidePath(firstPath), d->destinationPath_)) {
    WRITE_LOG(L"merge failed:%d\r\n", Platform::LastFileError());
    return d->FailRun(DownloadError::kFileOpen);
  }
  d->deletePartFiles();

  if (d->expectedDigest_.size() == kDigestLength) {
    const std::string actual = GetFileMd5(Platform::WideToAnsi(d->destinationPath_));
    if (actual.size() == kDigestLength && actual != d->expectedDigest_) {
      d->Notify(DownloadCode::kNotice, 0.0, kMtCurlDigestMismatchText);
      Platform::RemoveFile(d->destinationPath_);
      d->clearPartNodes();
      if (d->retried_) {
        WRITE_LOG(L"finish recv, md5 chaek failed and retry failed.\r\n");
        d->Notify(DownloadCode::kFailed, 0.0, kLibCurlText);
      } else {
        d->retried_ = true;
        WRITE_LOG(L"finish recv, md5 chaek failed retry once.\r\n");
        // The owner starts the next run from inside this call; nothing below may touch the run.
        d->Notify(DownloadCode::kRetry, 0.0, kLibCurlText);
      }
      return;
    }
  } else {
    d->Notify(DownloadCode::kNotice, 0.0, kMtCurlNoUrlDigestText);
  }
  WRITE_LOG(L"finish recv\r\n");
  d->clearPartNodes();
  d->Notify(DownloadCode::kSucceeded, 0.0, kLibCurlText);
}

int CMTCurlDownloader::FirstIncompleteState() const {
  for (const auto& node : nodes_)
    if (node->state != 0) return node->state;
  return 0;
}

void CMTCurlDownloader::FailRun(int st) {
  clearPartNodes();
  if (LastReportedPercent() == 0.0) deletePartFiles();
  if (retried_) {
    ResetReportedPercent();
    Notify(DownloadCode::kFailed, static_cast<double>(st), kLibCurlText);
  } else {
    retried_ = true;
    Notify(DownloadCode::kRetry, static_cast<double>(st), kLibCurlText);
  }
}

void CMTCurlDownloader::clearPartNodes() {
  for (const auto& node : nodes_) {
    curl_easy_cleanup(node->handle);
    if (node->file) std::fclose(node->file);
  }
  nodes_.clear();
}
