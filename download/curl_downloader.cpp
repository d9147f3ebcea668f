#include "download/curl_downloader.h"

#include "app/log.h"
#include "download/attempt_budget.h"
#include "download/curl_common.h"
#include "download/file_digest.h"
#include "platform/codepage.h"
#include "platform/file.h"

namespace {

constexpr uint32_t kRetryPauseMs = 500;

}  // namespace

CCurlDownloader::CCurlDownloader(DownloadCallback callback, std::wstring url, std::wstring destinationPath)
    : callback_(std::move(callback)),
      destinationPath_(std::move(destinationPath)),
      url_(std::move(url)),
      client_(url_, destinationPath_, this, &CCurlDownloader::onCurlProgress),
      workers_(this, &CCurlDownloader::dlThreadFun) {
  // A part file left by an earlier installer run is never resumed.
  Platform::RemoveFile(client_.GetFilePath(true));
}

CCurlDownloader::~CCurlDownloader() {
  stopping_.Raise();
  client_.Abort();
  const bool interrupted = activeRuns_.load() > 0;
  workers_.Stop();
  // A run cut short leaves its part file; after a finished run it goes with the client.
  if (interrupted) client_.KeepPartFile();
}

void CCurlDownloader::StartDownload() { workers_.StartRun(); }

void CCurlDownloader::onCurlProgress(void* owner, double speed, double, double percent) {
  if (speed > 0 && percent <= 100.0)
    static_cast<CCurlDownloader*>(owner)->Notify(DownloadCode::kProgress, percent / 100.0, L"");
}

void CCurlDownloader::Notify(int32_t code, double value, const wchar_t* text) {
  if (!stopping_.Raised() && callback_) callback_(code, value, text);
}

uint32_t CCurlDownloader::dlThreadFun(void* downloader) {
  auto* d = static_cast<CCurlDownloader*>(downloader);
  // A run stops counting as active once its outcome is decided, before the notification that
  // tells it: an owner that destroys the downloader on that notification finds a finished run, not
  // an interrupted one, and the part file goes.
  struct ActiveRun {
    std::atomic<int>& runs;
    bool ended = false;
    explicit ActiveRun(std::atomic<int>& r) : runs(r) { ++runs; }
    ~ActiveRun() { End(); }
    void End() {
      if (!ended) --runs;
      ended = true;
    }
  } active(d->activeRuns_);
  d->Notify(DownloadCode::kStarted, 1.0, L"");
  if (d->destinationPath_.empty()) {
    // Nowhere to put the file: the run ends with this one failure.
    active.End();
    d->Notify(DownloadCode::kFailed, 1.0, L"");
    return 0;
  }

  // The budget is tested after charging a failure: at most 6 attempts, 12 when every one is cut
  // short.
  AttemptBudget budget;
  int rc = d->client_.Start();
  while (rc != 0) {
    if (d->stopping_.Raised()) return 0;
    budget.Charge(rc);
    if (budget.Remaining() <= 0) {
      active.End();
      d->Notify(DownloadCode::kFailed, static_cast<double>(rc), kLibCurlText);
      return 0;
    }
    WRITE_LOG(L"CurlDownLoader Code=%d\r\n", rc);
    if (!d->stopping_.Pause(kRetryPauseMs)) return 0;
    rc = d->client_.Start();
  }

  const std::string expected = GetUrlMd5(d->client_.RealUrl());
  if (expected.size() == kDigestLength) {
    const std::string actual = GetFileMd5(Platform::WideToAnsi(d->destinationPath_));
    if (actual.size() == kDigestLength && actual != expected) {
      d->Notify(DownloadCode::kNotice, 0.0, kCurlDigestMismatchText);
      active.End();
      if (d->retried_) {
        d->Notify(DownloadCode::kFailed, 0.0, kLibCurlText);
      } else {
        d->retried_ = true;
        // The owner starts the next run from inside this call; once it returns, nothing below
        // but the run count may touch the downloader.
        d->Notify(DownloadCode::kRetry, 0.0, kLibCurlText);
      }
      return 0;
    }
  } else {
    d->Notify(DownloadCode::kNotice, 0.0, kCurlNoUrlDigestText);
  }
  active.End();
  d->Notify(DownloadCode::kSucceeded, 0.0, kLibCurlText);
  return 0;
}
