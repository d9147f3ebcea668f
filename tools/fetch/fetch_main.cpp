// quorvane-fetch -type=<1|2|3> <url> <destination>
//
// Runs one downloader the way the installer's coordinator does (a 1005 is answered at once with
// StartDownload, from inside the notification) and prints every notification as one line
// "code<TAB>value<TAB>text" (text in UTF-8). Exit status: 0 after 1003, 1 after 1004, 2 for a
// wrong command line or when libcurl cannot be initialised.

#include <curl/curl.h>

#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "download/downloader.h"
#include "download/downloader_factory.h"
#include "platform/codepage.h"

namespace {

constexpr char kUsage[] = "usage: quorvane-fetch -type=<1|2|3> <url> <destination>\n"
                          "  1 single stream, 2 system URL download, 3 two segments\n";

// The shortest text that reads back as the same double ("1", "0.25", "-2146697211").
std::string FormatValue(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

bool ParseType(std::string_view argument, int* type) {
  constexpr std::string_view prefix = "-type=";
  if (!argument.starts_with(prefix) || argument.size() != prefix.size() + 1) return false;
  const char digit = argument.back();
  if (digit < '1' || digit > '3') return false;
  *type = digit - '0';
  return true;
}

// The notifications arrive on the downloader's threads; `mutex` guards the output and `outcome`.
struct Session {
  std::mutex mutex;
  std::condition_variable finished;
  int outcome = 0;  // 1003 or 1004 once the download is over
  CDownloader* downloader = nullptr;

  void OnNotification(int32_t code, double value, const wchar_t* text) {
    const std::string line = std::to_string(code) + "\t" + FormatValue(value) + "\t" +
                             Platform::WideToUtf8(text ? text : L"") + "\n";
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (outcome != 0) return;  // a downloader may say more after its first final word
      std::fwrite(line.data(), 1, line.size(), stdout);
      std::fflush(stdout);
      if (code == DownloadCode::kSucceeded || code == DownloadCode::kFailed) {
        outcome = code;
        finished.notify_all();
        return;
      }
    }
    if (code == DownloadCode::kRetry) downloader->StartDownload();
  }
};

}  // namespace

int main(int argc, char** argv) {
  int type = 0;
  if (argc != 4 || !ParseType(argv[1], &type) || std::strlen(argv[2]) == 0) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) {
    std::fputs("quorvane-fetch: libcurl could not be initialised\n", stderr);
    return 2;
  }

  Session session;
  std::unique_ptr<CDownloader> downloader = CreateDownloader(
      type, [&session](int32_t code, double value, const wchar_t* text) { session.OnNotification(code, value, text); },
      Platform::Utf8ToWide(argv[2]), Platform::AnsiToWide(argv[3]));
  session.downloader = downloader.get();
  downloader->StartDownload();
  {
    std::unique_lock<std::mutex> lock(session.mutex);
    session.finished.wait(lock, [&session] { return session.outcome != 0; });
  }
  downloader.reset();  // joins every thread the downloader started
  curl_global_cleanup();
  return session.outcome == DownloadCode::kSucceeded ? 0 : 1;
}
