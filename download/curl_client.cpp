#include "download/curl_client.h"

#include <cstdio>
#include <ctime>

#include "app/log.h"
#include "download/curl_common.h"
#include "download/download_report.h"
#include "download/downloader.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/wide_format.h"

namespace {

constexpr size_t kReasonLimit = 200;

size_t WriteToPartFile(char* data, size_t size, size_t count, void* file) {
  return std::fwrite(data, 1, size * count, static_cast<std::FILE*>(file));
}

// "下载失败原因" for a length probe whose status cannot be read or is not acceptable.
void ReportLengthProbeStatus(long responseCode) {
  std::wstring reason = Platform::FormatWide(L"1.获取文件大小的状态码为=%ld；", responseCode);
  if (reason.size() > kReasonLimit) reason.resize(kReasonLimit);
  ReportDownloadEvent(kDownloadFailureReport, reason);
}

// The response code of a performed request, 0 when it cannot be read.
CURLcode ReadResponseCode(CURL* handle, long* code) {
  *code = 0;
  const CURLcode rc = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, code);
  if (rc != CURLE_OK) *code = 0;
  return rc;
}

double ReadContentLength(CURL* handle, CURLcode* rc) {
  curl_off_t length = -1;
  *rc = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  return *rc == CURLE_OK && length >= 0 ? static_cast<double>(length) : -1.0;
}

}  // namespace

CurlClient::CurlClient(std::wstring url, std::wstring destinationPath, void* owner, ProgressFn progress)
    : url_(std::move(url)), destinationPath_(std::move(destinationPath)), owner_(owner), progress_(progress) {}

CurlClient::~CurlClient() {
  abort_.store(true);
  if (!keepPartFile_) Platform::RemoveFile(GetFilePath(true));
  url_.clear();
  destinationPath_.clear();
  realUrl_.clear();
}

std::wstring CurlClient::GetFilePath(bool part) const {
  return part ? PartFilePath(destinationPath_) : destinationPath_;
}

int CurlClient::Start() {
  WRITE_LOG(L"start download\r\n");
  Probe(ToCurlUrl(url_));
  int result = fileLength_ < kSmallestFile ? DownloadError::kTooShort : Transfer();
  WRITE_LOG(L"error:%d:%s\r\n", result, CurlResultText(result).c_str());

  if (result == 0) {
    // The part file holds the whole body: it replaces whatever is at the destination. A file that
    // cannot be moved into place is no download.
    Platform::RemoveFile(destinationPath_);
    if (!Platform::MoveFileReplace(GetFilePath(true), destinationPath_)) {
      WRITE_LOG(L"rename failed:%d\r\n", Platform::LastFileError());
      result = DownloadError::kFileOpen;
    }
  }
  WRITE_LOG(L"end download\r\n");
  return result;
}

// Two probe rounds, each only while the final URL or a length of at least 1 MiB is unknown, so
// retries on the same object do not probe again.
void CurlClient::Probe(const std::string& narrowUrl) {
  auto unknown = [this] { return realUrl_.empty() || fileLength_ < kSmallestFile; };
  if (unknown()) {
    if (CURL* handle = Head(narrowUrl)) {
      realUrl_ = GetEffectiveUrl(handle);
      fileLength_ = GetDownloadFileLength(handle);
      curl_easy_cleanup(handle);
    }
  }
  if (unknown()) {
    realUrl_ = GetRealUrl_Str(narrowUrl);
    if (!realUrl_.empty()) fileLength_ = GetDownloadFileLength_Str(realUrl_);
  }
}

// The platform's file functions take the ANSI form of a path; the runtime's fopen gets it directly.
int CurlClient::Transfer() {
  const std::wstring partPath = GetFilePath(true);
  int result = 0;
  std::FILE* part = nullptr;
  curl_slist* headers = nullptr;
  transferHandle_ = curl_easy_init();
  if (!transferHandle_) {
    result = DownloadError::kNoHandle;
  } else if (!(part = std::fopen(Platform::WideToAnsi(partPath).c_str(), "ab+"))) {
    result = DownloadError::kFileOpen;
  } else {
    CURL* h = transferHandle_;
    headers = curl_slist_append(headers, "Connection: keep-alive");
    headers = curl_slist_append(headers, "Accept-Encoding: gzip, deflate");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(h, CURLOPT_TCP_KEEPIDLE, 10L);
    curl_easy_setopt(h, CURLOPT_TCP_KEEPINTVL, 10L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 0L);
    int options = 0;
    options |= curl_easy_setopt(h, CURLOPT_URL, realUrl_.c_str());
    options |= curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    options |= curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteToPartFile);
    options |= curl_easy_setopt(h, CURLOPT_WRITEDATA, part);
    options |= curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    options |= curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
    options |= curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
    options |= curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    options |= curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kCurlConnectTimeoutSeconds);
    // A transfer that has stalled ends like the segmented downloader's (result 28) and is
    // resumed by the next attempt, instead of waiting for data forever.
    options |= curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, kCurlStallBytesPerSecond);
    options |= curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kCurlStallSeconds);
    // The part file was just opened, so it exists: its size is where the body resumes.
    const std::optional<uint64_t> held = Platform::FileSize(partPath);
    resumeOffset_ = held ? static_cast<int64_t>(*held) : -1;
    if (resumeOffset_ > 0)
      options |= curl_easy_setopt(h, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(resumeOffset_));
    result = options != 0 ? options : curl_easy_perform(h);
  }
  curl_easy_cleanup(transferHandle_);
  transferHandle_ = nullptr;
  curl_slist_free_all(headers);
  if (part && std::fclose(part) != 0 && result == 0) result = CURLE_WRITE_ERROR;
  return result;
}

int CurlClient::ProgressCallback(void* client, curl_off_t dltotal, curl_off_t dlnow, curl_off_t, curl_off_t) {
  auto* self = static_cast<CurlClient*>(client);
  if (self->abort_.load()) return 1;

  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  if (now - self->lastReportTime_ < 1) return 0;
  self->lastReportTime_ = now;

  curl_off_t speedValue = 0;
  const double speed = curl_easy_getinfo(self->transferHandle_, CURLINFO_SPEED_DOWNLOAD_T, &speedValue) == CURLE_OK
                           ? static_cast<double>(speedValue)
                           : 0.0;
  double percent;
  if (self->fileLength_ > kSmallestFile) {
    percent = (static_cast<double>(dlnow) + static_cast<double>(self->resumeOffset_)) / self->fileLength_ * 100.0;
  } else {
    if (dlnow <= 0 || dltotal <= 0) return 0;
    percent = static_cast<double>(dlnow) * 100.0 / static_cast<double>(dltotal);
  }
  if (percent == 0.0) return 0;

  if (self->progress_) self->progress_(self->owner_, speed, 0.0, percent);
  if (dltotal != 0) {
    WRITE_LOG(L" %dM %dM   progress:%f%%  speed:%f \n", static_cast<int>(dlnow / 1048576),
              static_cast<int>(dltotal / 1048576), static_cast<double>(static_cast<float>(percent)),
              static_cast<double>(static_cast<float>(speed / 1024)));
  }
  return 0;
}

int CurlClient::ProbeProgress(void* client, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<CurlClient*>(client)->abort_.load() ? 1 : 0;
}

CURLcode CurlClient::SetProbeOptions(CURL* handle, const std::string& url, bool followRedirects, bool header) {
  int rc = 0;
  rc |= curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  rc |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardCurlBody);
  rc |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kCurlConnectTimeoutSeconds);
  if (followRedirects) rc |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  if (header) rc |= curl_easy_setopt(handle, CURLOPT_HEADER, 1L);
  rc |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  // Not throttled or reported: probes only honour a destruction in progress.
  rc |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  rc |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProbeProgress);
  rc |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
  return static_cast<CURLcode>(rc);
}

CURL* CurlClient::Head(const std::string& url) {
  CURL* handle = curl_easy_init();
  if (!handle) return nullptr;
  CURLcode rc = SetProbeOptions(handle, url, true, false);
  if (rc == CURLE_OK) {
    rc = curl_easy_perform(handle);
    if (rc != CURLE_OK) WRITE_LOG(L"error:%d:%s", static_cast<int>(rc), CurlResultText(rc).c_str());
  }
  WRITE_LOG(L"error:%d:%s\r\n", static_cast<int>(rc), CurlResultText(rc).c_str());
  return handle;
}

std::string CurlClient::GetEffectiveUrl(CURL* handle) {
  char* url = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || !url) return {};
  return url;
}

double CurlClient::GetDownloadFileLength(CURL* handle) {
  CURLcode rc;
  const double length = ReadContentLength(handle, &rc);
  WRITE_LOG(L"error:%d:%s\r\n", static_cast<int>(rc), CurlResultText(rc).c_str());
  long code = 0;
  if (ReadResponseCode(handle, &code) == CURLE_OK && code >= 200 && code <= 399) return length;
  ReportLengthProbeStatus(code);
  return -1.0;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
  std::string effective;
  if (CURL* handle = curl_easy_init()) {
    CURLcode rc = SetProbeOptions(handle, url, true, false);
    if (rc == CURLE_OK) rc = curl_easy_perform(handle);
    if (rc != CURLE_OK)
      WRITE_LOG(L"error:%d:%s", static_cast<int>(rc), CurlResultText(rc).c_str());
    else
      effective = GetEffectiveUrl(handle);
    curl_easy_cleanup(handle);
  }
  return effective.empty() ? url : effective;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& url) {
  CURL* handle = curl_easy_init();
  if (!handle) return -1.0;
  double length = -1.0;
  CURLcode rc = SetProbeOptions(handle, url, false, true);
  if (rc == CURLE_OK) {
    curl_easy_perform(handle);  // a failed request shows in the status read below
    CURLcode lengthRc;
    length = ReadContentLength(handle, &lengthRc);
    long code = 0;
    rc = ReadResponseCode(handle, &code);
    if (rc != CURLE_OK || code < 200 || code > 400) ReportLengthProbeStatus(code);
  }
  WRITE_LOG(L"error:%d:%s\r\n", static_cast<int>(rc), CurlResultText(rc).c_str());
  curl_easy_cleanup(handle);
  return length;
}
