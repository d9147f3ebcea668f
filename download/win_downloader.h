#pragma once
// The system URL downloader: the whole transfer is the system's download of a URL to a file,
// followed through a bind-status callback and tried up to three times. No probing, no resumption,
// no digest; it never sends 1005 or 1006.
//
// Threads: one worker "ABDEF", created suspended by the constructor and run at most once; every
// notification comes from it (1002 from inside the system call). The abort flag is the only field
// another thread writes (the destructor).

#include <atomic>
#include <mutex>
#include <string>

#include "download/downloader.h"
#include "download/stop_signal.h"
#include "platform/url_download.h"
#include "utils/thread.h"

class CWinDownloader : public CDownloader {
 public:
  class CBindCallback : public Platform::IBindStatusCallback {
   public:
    CBindCallback() = default;
    virtual ~CBindCallback();

    void SetCallback(DownloadCallback callback) { callback_ = std::move(callback); }
    void Abort() { abort_.store(true); }
    bool Aborted() const { return abort_.load(); }
    void Notify(int32_t code, double value, const wchar_t* text);

    Platform::HResult OnStartBinding(uint32_t reserved, void* binding) override;
    Platform::HResult GetPriority(int32_t* priority) override;
    Platform::HResult OnLowResource(uint32_t reserved) override;
    Platform::HResult OnProgress(uint32_t progress, uint32_t progressMax, uint32_t statusCode,
                                 const wchar_t* statusText) override;
    Platform::HResult OnStopBinding(Platform::HResult result, const wchar_t* error) override;
    Platform::HResult GetBindInfo(uint32_t* bindFlags, Platform::BindInfo* info) override;

   private:
    DownloadCallback callback_;
    std::atomic<bool> abort_{false};
    void* binding_ = nullptr;  // kept as handed over; nothing uses it further
  };

  static constexpr int kAttempts = 3;
  static constexpr uint32_t kRetryPauseMs = 1000;

  CWinDownloader(DownloadCallback callback, std::wstring url, std::wstring destinationPath);
  // Stops a running download at its next progress step and joins the worker.
  ~CWinDownloader() override;

  void StartDownload() override;

  // The URL in UTF-8, bytes 33-126 kept, a space as "+", every other byte as "%XX" (upper case).
  static std::wstring UrlEscape(const std::wstring& url);

 private:
  static uint32_t urlDownloadThreadFun(void* downloader);
  void Run();

  CBindCallback bindCallback_;
  DownloadCallback callback_;
  std::wstring destinationPath_;
  std::wstring url_;
  std::once_flag started_;
  StopSignal stopping_;
  Utils::Thread worker_;
};
