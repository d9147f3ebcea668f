#include "download/win_downloader.h"

#include "platform/codepage.h"

namespace {
constexpr wchar_t kWorkerName[] = L"ABDEF";
}

CWinDownloader::CBindCallback::~CBindCallback() {
  abort_.store(true);
  callback_ = nullptr;
}

void CWinDownloader::CBindCallback::Notify(int32_t code, double value, const wchar_t* text) {
  if (!Aborted() && callback_) callback_(code, value, text);
}

Platform::HResult CWinDownloader::CBindCallback::OnStartBinding(uint32_t, void* binding) {
  binding_ = binding;
  return Platform::kE_NOTIMPL;
}

Platform::HResult CWinDownloader::CBindCallback::GetPriority(int32_t*) { return Platform::kE_NOTIMPL; }

Platform::HResult CWinDownloader::CBindCallback::OnLowResource(uint32_t) { return Platform::kE_NOTIMPL; }

Platform::HResult CWinDownloader::CBindCallback::OnProgress(uint32_t progress, uint32_t progressMax, uint32_t,
                                                            const wchar_t*) {
  if (Aborted()) return Platform::kE_ABORT;
  if (progressMax == 0) return Platform::kS_OK;
  Notify(DownloadCode::kProgress, static_cast<double>(progress) / static_cast<double>(progressMax), L"");
  return Platform::kS_OK;
}

Platform::HResult CWinDownloader::CBindCallback::OnStopBinding(Platform::HResult, const wchar_t*) {
  return Platform::kE_NOTIMPL;
}

Platform::HResult CWinDownloader::CBindCallback::GetBindInfo(uint32_t*, Platform::BindInfo* info) {
  if (info) info->codePage = Platform::kCodePageUtf8;
  return Platform::kE_NOTIMPL;
}

CWinDownloader::CWinDownloader(DownloadCallback callback, std::wstring url, std::wstring destinationPath)
    : callback_(std::move(callback)),
      destinationPath_(std::move(destinationPath)),
      url_(std::move(url)),
      worker_(this, kWorkerName, &CWinDownloader::urlDownloadThreadFun) {}

CWinDownloader::~CWinDownloader() {
  // The bind-status object outlives the worker, so its own destructor would raise the flag only
  // after the join; raise it first so that a running download stops.
  stopping_.Raise();
  bindCallback_.Abort();
  worker_.Join();
}

void CWinDownloader::StartDownload() {
  // The worker runs once: only the first call hands over the callback, so a later call cannot
  // race with a running download.
  std::call_once(started_, [this] {
    bindCallback_.SetCallback(callback_);
    if (worker_.IsValid()) worker_.Resume();
  });
}

std::wstring CWinDownloader::UrlEscape(const std::wstring& url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (const unsigned char c : Platform::WideToUtf8(url)) {
    if (c >= 33 && c <= 126) {
      escaped += static_cast<char>(c);
    } else if (c == ' ') {
      escaped += '+';
    } else {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 0x0F];
    }
  }
  return Platform::Utf8ToWide(escaped);
}

uint32_t CWinDownloader::urlDownloadThreadFun(void* downloader) {
  static_cast<CWinDownloader*>(downloader)->Run();
  return 0;
}

void CWinDownloader::Run() {
  bindCallback_.Notify(DownloadCode::kStarted, 1.0, L"");
  if (destinationPath_.empty()) {
    // Nowhere to put the file: the run ends with this one failure.
    bindCallback_.Notify(DownloadCode::kFailed, 1.0, L"");
    return;
  }
  const std::wstring url = url_.starts_with(L"file:///") ? url_ : UrlEscape(url_);
  Platform::HResult hr = Platform::kS_OK;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    hr = Platform::UrlDownloadToFile(nullptr, url, destinationPath_, 0, &bindCallback_);
    if (hr == Platform::kS_OK) {
      bindCallback_.Notify(DownloadCode::kSucceeded, 0.0, kUrlDownloadToFileText);
      return;
    }
    if (!stopping_.Pause(kRetryPauseMs)) return;
  }
  bindCallback_.Notify(DownloadCode::kFailed, static_cast<double>(hr), kUrlDownloadToFileText);
}
