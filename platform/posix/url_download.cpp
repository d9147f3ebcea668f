// URLDownloadToFileW on libcurl: the body goes to a temporary file beside the destination, which
// is moved into place only when the transfer succeeded.
#include "platform/url_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/path.h"

namespace Platform {
namespace {

constexpr long kConnectTimeoutSeconds = 60;
constexpr long kStallSeconds = 60;
constexpr uint64_t kProgressIntervalMs = 50;

struct Transfer {
  IBindStatusCallback* callback = nullptr;
  CURL* handle = nullptr;
  int fd = -1;
  bool aborted = false;
  bool begun = false;
  uint64_t lastReportMs = 0;
};

bool Failed(HResult hr) { return hr < 0; }

// The system reports 32-bit counts: larger files are scaled so that the fraction stays right.
void ToProgressCounts(curl_off_t now, curl_off_t total, uint32_t* progress, uint32_t* maximum) {
  uint64_t n = now > 0 ? static_cast<uint64_t>(now) : 0;
  uint64_t t = total > 0 ? static_cast<uint64_t>(total) : 0;
  while (t > UINT32_MAX) {
    n >>= 1;
    t >>= 1;
  }
  *progress = static_cast<uint32_t>(n > UINT32_MAX ? UINT32_MAX : n);
  *maximum = static_cast<uint32_t>(t);
}

bool Report(Transfer* transfer, curl_off_t now, curl_off_t total, uint32_t status) {
  if (!transfer->callback) return true;
  uint32_t progress, maximum;
  ToProgressCounts(now, total, &progress, &maximum);
  if (Failed(transfer->callback->OnProgress(progress, maximum, status, L""))) transfer->aborted = true;
  return !transfer->aborted;
}

size_t WriteBody(char* data, size_t size, size_t count, void* userdata) {
  auto* transfer = static_cast<Transfer*>(userdata);
  const size_t total = size * count;
  size_t done = 0;
  while (done < total) {
    const ssize_t n = ::write(transfer->fd, data + done, total - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done;
    }
    done += static_cast<size_t>(n);
  }
  return done;
}

int OnTransferInfo(void* userdata, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(userdata);
  // The body of an error answer is no download progress.
  long responseCode = 0;
  curl_easy_getinfo(transfer->handle, CURLINFO_RESPONSE_CODE, &responseCode);
  if (responseCode >= 400) return 0;
  const uint64_t nowMs = MonotonicMilliseconds();
  if (transfer->begun && nowMs - transfer->lastReportMs < kProgressIntervalMs) return 0;
  transfer->lastReportMs = nowMs;
  const uint32_t status = transfer->begun ? kBindStatusDownloadingData : kBindStatusBeginDownloadData;
  if (dlnow > 0 || dltotal > 0) transfer->begun = true;
  return Report(transfer, dlnow, dltotal, status) ? 0 : 1;
}

HResult ToHResult(CURLcode rc, long responseCode) {
  switch (rc) {
    case CURLE_OK:
      return kS_OK;
    case CURLE_ABORTED_BY_CALLBACK:
      return kE_ABORT;
    case CURLE_COULDNT_CONNECT:
      return kINET_E_CANNOT_CONNECT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_FILE_COULDNT_READ_FILE:
      return kINET_E_RESOURCE_NOT_FOUND;
    case CURLE_OPERATION_TIMEDOUT:
      return kINET_E_CONNECTION_TIMEOUT;
    case CURLE_HTTP_RETURNED_ERROR:
      return responseCode == 404 || responseCode == 410 ? kINET_E_RESOURCE_NOT_FOUND : kINET_E_DOWNLOAD_FAILURE;
    default:
      return kINET_E_DOWNLOAD_FAILURE;
  }
}

HResult Perform(const std::string& url, Transfer* transfer) {
  CURL* handle = curl_easy_init();
  CURLU* parsed = curl_url();
  // The system takes local paths with spaces in "file:///" URLs as they are.
  if (!handle || !parsed || curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_ALLOW_SPACE) != CURLUE_OK) {
    curl_easy_cleanup(handle);
    curl_url_cleanup(parsed);
    return kINET_E_DOWNLOAD_FAILURE;
  }
  transfer->handle = handle;
  int options = 0;
  options |= curl_easy_setopt(handle, CURLOPT_CURLU, parsed);
  options |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 20L);
  options |= curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  options |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  options |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  options |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteBody);
  options |= curl_easy_setopt(handle, CURLOPT_WRITEDATA, transfer);
  options |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  options |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &OnTransferInfo);
  options |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, transfer);
  HResult hr = kINET_E_DOWNLOAD_FAILURE;
  if (options == 0) {
    const CURLcode rc = curl_easy_perform(handle);
    long responseCode = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &responseCode);
    hr = transfer->aborted ? kE_ABORT : ToHResult(rc, responseCode);
    if (hr == kS_OK) {
      curl_off_t total = 0;
      curl_easy_getinfo(handle, CURLINFO_SIZE_DOWNLOAD_T, &total);
      if (!Report(transfer, total, total, kBindStatusEndDownloadData)) hr = kE_ABORT;
    }
  }
  curl_easy_cleanup(handle);
  curl_url_cleanup(parsed);
  return hr;
}

// A new temporary file beside `destination`, or -1.
int CreateTemporaryBeside(const std::string& destination, std::string* path) {
  std::vector<char> name(destination.begin(), destination.end());
  const std::string suffix = ".dl-XXXXXX";
  name.insert(name.end(), suffix.begin(), suffix.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd >= 0) *path = name.data();
  return fd;
}

}  // namespace

HResult UrlDownloadToFile(void*, const std::wstring& url, const std::wstring& destinationPath, uint32_t,
                          IBindStatusCallback* callback) {
  BindInfo info;
  uint32_t bindFlags = 0;
  if (callback) callback->GetBindInfo(&bindFlags, &info);
  const std::string narrowUrl = FromWide(url, info.codePage);
  if (callback) callback->OnStartBinding(0, nullptr);

  Transfer transfer;
  transfer.callback = callback;
  HResult hr = kINET_E_DOWNLOAD_FAILURE;
  std::string temporary;
  const std::string destination = WideToAnsi(NativePath(destinationPath));
  if (destinationPath.empty() || (transfer.fd = CreateTemporaryBeside(destination, &temporary)) < 0) {
    hr = kINET_E_DOWNLOAD_FAILURE;
  } else if (!Report(&transfer, 0, 0, kBindStatusConnecting)) {
    hr = kE_ABORT;
  } else {
    hr = Perform(narrowUrl, &transfer);
  }
  if (transfer.fd >= 0) {
    // mkstemp makes the file private; a downloaded file gets the usual permissions.
    if (hr == kS_OK && ::fchmod(transfer.fd, 0644) != 0) hr = kINET_E_DOWNLOAD_FAILURE;
    if (::close(transfer.fd) != 0 && hr == kS_OK) hr = kINET_E_DOWNLOAD_FAILURE;
    if (hr == kS_OK && ::rename(temporary.c_str(), destination.c_str()) != 0) hr = kINET_E_DOWNLOAD_FAILURE;
    if (hr != kS_OK) ::unlink(temporary.c_str());
  }
  if (callback) callback->OnStopBinding(hr, L"");
  return hr;
}

}  // namespace Platform
