#pragma once
// One HTTP request made with libcurl, the client the installer itself uses, and everything the
// peers' tests look at in the outcome.

#include <curl/curl.h>

#include <chrono>
#include <map>
#include <string>

struct FetchOptions {
  std::string method = "GET";  // GET, HEAD or POST
  std::string range{};           // "a-b" for CURLOPT_RANGE
  std::string body{};            // POST body (form content type)
  std::string acceptEncoding{};  // sent as Accept-Encoding, stored as received
  bool follow = true;
  long maxRedirects = 20;
  long timeoutMs = 10000;
};

struct FetchResult {
  CURLcode code = CURLE_OK;
  long status = 0;
  std::string body{};
  std::map<std::string, std::string> headers;  // names in lower case, of the last response
  std::string effectiveUrl;
  long redirects = 0;
  curl_off_t contentLength = -1;
  std::chrono::milliseconds elapsed{0};

  std::string Header(const std::string& lowerName) const {
    const auto found = headers.find(lowerName);
    return found == headers.end() ? "" : found->second;
  }
};

FetchResult Fetch(const std::string& url, const FetchOptions& options = {});
