#pragma once
// The system's download of a URL to a file (URLDownloadToFileW) and its bind-status callback.
//
// The call is synchronous and calls the callback on the calling thread: GetBindInfo once, then
// OnStartBinding, OnProgress for every step with the bytes so far and the total (0 while unknown),
// and OnStopBinding with the result. A failure result from OnProgress stops the download with
// E_ABORT. The file appears at the destination only when the whole body arrived; redirects are
// followed and certificates verified as the system does by default. The backend prepares on the
// calling thread whatever the system call needs (a COM apartment on Windows).

#include <cstdint>
#include <string>

namespace Platform {

using HResult = int32_t;

inline constexpr HResult kS_OK = 0;
inline constexpr HResult kE_NOTIMPL = static_cast<HResult>(0x80004001u);
inline constexpr HResult kE_ABORT = static_cast<HResult>(0x80004004u);
inline constexpr HResult kINET_E_CANNOT_CONNECT = static_cast<HResult>(0x800C0004u);
inline constexpr HResult kINET_E_RESOURCE_NOT_FOUND = static_cast<HResult>(0x800C0005u);
inline constexpr HResult kINET_E_DOWNLOAD_FAILURE = static_cast<HResult>(0x800C0008u);
inline constexpr HResult kINET_E_CONNECTION_TIMEOUT = static_cast<HResult>(0x800C000Bu);

// Status codes handed to OnProgress.
inline constexpr uint32_t kBindStatusConnecting = 2;
inline constexpr uint32_t kBindStatusBeginDownloadData = 4;
inline constexpr uint32_t kBindStatusDownloadingData = 5;
inline constexpr uint32_t kBindStatusEndDownloadData = 6;

struct BindInfo {
  uint32_t codePage = 0;  // the code page of the URL's text; 65001 for UTF-8
};

class IBindStatusCallback {
 public:
  virtual HResult OnStartBinding(uint32_t reserved, void* binding) = 0;
  virtual HResult GetPriority(int32_t* priority) = 0;
  virtual HResult OnLowResource(uint32_t reserved) = 0;
  virtual HResult OnProgress(uint32_t progress, uint32_t progressMax, uint32_t statusCode,
                             const wchar_t* statusText) = 0;
  virtual HResult OnStopBinding(HResult result, const wchar_t* error) = 0;
  virtual HResult GetBindInfo(uint32_t* bindFlags, BindInfo* info) = 0;

 protected:
  ~IBindStatusCallback() = default;
};

// S_OK, E_ABORT, INET_E_RESOURCE_NOT_FOUND (HTTP 404 or 410, unknown host, missing local file),
// INET_E_CANNOT_CONNECT (connection refused), INET_E_CONNECTION_TIMEOUT (no connection or no data
// for 60 seconds) or INET_E_DOWNLOAD_FAILURE (any other failure, the destination not writable
// included). `caller` and `reserved` are unused, as on Windows.
HResult UrlDownloadToFile(void* caller, const std::wstring& url, const std::wstring& destinationPath,
                          uint32_t reserved, IBindStatusCallback* callback);

}  // namespace Platform
