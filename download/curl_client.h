#pragma once
// One file over HTTP(S) or from a "file:///" URL with libcurl's easy interface: header probes for the
// final address and the length, a body transfer into "<destination>.part" that resumes what the part
// file already holds, and a rename into place on success.
//
// Everything runs on the calling thread (the single-stream downloader's worker). The only field
// another thread writes is the abort flag (Abort, the destructor); it is read at every progress call.

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <string>

class CurlClient {
 public:
  // Receives (owner, speed in bytes per second, 0, percent of the file held).
  using ProgressFn = void (*)(void* owner, double speed, double reserved, double percent);

  static constexpr double kSmallestFile = 1048576.0;  // 1 MiB: anything shorter is refused

  CurlClient(std::wstring url, std::wstring destinationPath, void* owner, ProgressFn progress);
  // Deletes the part file (unless told to keep it) and stops any transfer at its next progress call.
  ~CurlClient();
  CurlClient(const CurlClient&) = delete;
  CurlClient& operator=(const CurlClient&) = delete;

  std::wstring GetFilePath(bool part) const;
  // The part file a transfer to `destination` writes until it is complete.
  static std::wstring PartFilePath(const std::wstring& destination) { return destination + L".part"; }

  // One download attempt: 0 when the file is at the destination; a libcurl result, or -996 (part
  // file not openable or not movable into place), -997 (no handle), -998 (shorter than 1 MiB or of
  // unknown length). On failure the part file is kept and the destination untouched.
  int Start();

  // Ends a running transfer at its next progress call (and every later one).
  void Abort() { abort_.store(true); }
  // The destructor leaves the part file for the next construction of the downloader to discard.
  void KeepPartFile() { keepPartFile_ = true; }

  // The final URL after redirects (UTF-8), empty until the probes found it.
  const std::string& RealUrl() const { return realUrl_; }
  double FileLength() const { return fileLength_; }

  // libcurl's transfer-info function of the main transfer; 1 aborts it.
  static int ProgressCallback(void* client, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                              curl_off_t ulnow);

  // Probes. URLs are narrow (UTF-8, or ANSI for "file:///").
  // A handle on which a header-only request with redirects was performed, or null; the caller
  // reads it and releases it with curl_easy_cleanup.
  CURL* Head(const std::string& url);
  static std::string GetEffectiveUrl(CURL* handle);
  // The content length of a performed probe, or -1.0 (also when its status is not 200-399).
  static double GetDownloadFileLength(CURL* handle);
  // The effective URL after redirects, or `url` itself when none could be read.
  std::string GetRealUrl_Str(const std::string& url);
  // The length announced for `url` without following redirects, -1.0 when unknown.
  double GetDownloadFileLength_Str(const std::string& url);

 private:
  void Probe(const std::string& narrowUrl);
  int Transfer();
  // Probe transfers are not throttled or reported; they only honour the abort flag.
  static int ProbeProgress(void* client, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  CURLcode SetProbeOptions(CURL* handle, const std::string& url, bool followRedirects, bool header);

  std::wstring url_;
  std::wstring destinationPath_;
  void* owner_;
  CURL* transferHandle_ = nullptr;
  ProgressFn progress_;
  double fileLength_ = -1.0;
  int64_t resumeOffset_ = -1;
  int64_t lastReportTime_ = 0;
  std::atomic<bool> abort_{false};
  std::string realUrl_;
  bool keepPartFile_ = false;
};
