#include "tests/peers/http_fetch.h"

#include <algorithm>
#include <cctype>

namespace {

size_t OnBody(char* data, size_t size, size_t count, void* result) {
  static_cast<FetchResult*>(result)->body.append(data, size * count);
  return size * count;
}

size_t OnHeader(char* data, size_t size, size_t count, void* result) {
  auto* fetched = static_cast<FetchResult*>(result);
  std::string line(data, size * count);
  if (line.starts_with("HTTP/")) fetched->headers.clear();  // a new response of a redirect chain
  const size_t colon = line.find(':');
  if (colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of(" \t\r\n") + 1);
    fetched->headers[name] = value;
  }
  return size * count;
}

}  // namespace

FetchResult Fetch(const std::string& url, const FetchOptions& options) {
  FetchResult result;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &result);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &result);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, options.follow ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, options.maxRedirects);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.timeoutMs);
  if (options.method == "HEAD") curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  if (options.method == "POST") {
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, options.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(options.body.size()));
  }
  if (!options.range.empty()) curl_easy_setopt(curl, CURLOPT_RANGE, options.range.c_str());
  curl_slist* headers = nullptr;
  if (!options.acceptEncoding.empty()) {
    const std::string line = "Accept-Encoding: " + options.acceptEncoding;
    headers = curl_slist_append(headers, line.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  }
  const auto started = std::chrono::steady_clock::now();
  result.code = curl_easy_perform(curl);
  result.elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
  char* effective = nullptr;
  curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective);
  if (effective) result.effectiveUrl = effective;
  curl_easy_getinfo(curl, CURLINFO_REDIRECT_COUNT, &result.redirects);
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &result.contentLength);
  curl_slist_free_all(headers);
  curl_easy_cleanup(curl);
  return result;
}
