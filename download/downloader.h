#pragma once
// The interface shared by the three package downloaders and the codes they report.
//
// A downloader is built with (callback, URL, destination path) and does its work on threads of its
// own. StartDownload returns at once; the outcome arrives only through the callback:
//
//   1001  a run has begun (value 1.0), first call of every run
//   1002  progress, the fraction of the file held so far (0..1)
//   1003  the complete file is at the destination path
//   1004  the run failed for good (value: the failure's code)
//   1005  the run failed once; call StartDownload again on the same object (also from inside the
//         callback, on the thread that sent it)
//   1006  a notice for the failure report; the run goes on
//
// Each run ends with exactly one of 1003, 1004 and 1005. Callbacks arrive on the downloader's own
// threads, never on the thread that started the first run. Once a downloader is being destroyed it
// reports nothing more.

#include <cstdint>

#include "download/download_callback.h"

namespace DownloadCode {
inline constexpr int32_t kStarted = 1001;
inline constexpr int32_t kProgress = 1002;
inline constexpr int32_t kSucceeded = 1003;
inline constexpr int32_t kFailed = 1004;
inline constexpr int32_t kRetry = 1005;
inline constexpr int32_t kNotice = 1006;
}  // namespace DownloadCode

// Texts sent with 1003, 1004 and 1005.
inline constexpr wchar_t kLibCurlText[] = L"LibCurl";
inline constexpr wchar_t kUrlDownloadToFileText[] = L"URLDownloadToFile";

// Texts of code 1006.
inline constexpr wchar_t kCurlDigestMismatchText[] = L"curl文件md5校验失败";
inline constexpr wchar_t kCurlNoUrlDigestText[] = L"curl获取url-md5失败";
inline constexpr wchar_t kMtCurlDigestMismatchText[] = L"mtcurl文件md5校验失败";
inline constexpr wchar_t kMtCurlNoUrlDigestText[] = L"mtcurl获取url-md5失败";

// Failure codes the download engine adds to libcurl's results.
namespace DownloadError {
inline constexpr int kFileOpen = -996;    // a part or segment file could not be opened, read or moved into place
inline constexpr int kNoHandle = -997;    // no libcurl handle could be made
inline constexpr int kTooShort = -998;    // the announced length is below the smallest accepted file
}  // namespace DownloadError

class CDownloader {
 public:
  virtual ~CDownloader() = default;
  // Starts one run asynchronously; see the codes above.
  virtual void StartDownload() = 0;
};
