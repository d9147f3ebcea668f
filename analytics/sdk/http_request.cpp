#include "analytics/sdk/http_request.h"

#include <curl/curl.h>

#include <stdexcept>
#include <string_view>

namespace usage_analytics {
namespace {

size_t CollectBody(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

std::string_view Trim(std::string_view s) {
  const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

// "Name: value" lines become entries; a non-empty line without a colon (the status line) is
// kept as a header whose value is "present".
size_t CollectHeader(char* data, size_t size, size_t count, void* user) {
  auto& headers = *static_cast<std::map<std::string, std::string>*>(user);
  const std::string_view line(data, size * count);
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) {
    const std::string_view name = Trim(line);
    if (!name.empty()) headers[std::string(name)] = "present";
  } else {
    headers[std::string(Trim(line.substr(0, colon)))] = std::string(Trim(line.substr(colon + 1)));
  }
  return size * count;
}

constexpr char kUserAgent[] = "Plenwick Metrics CPP SDK 0.9";

}  // namespace

HttpRequest::HttpRequest() : handle_(curl_easy_init()) {
  if (!handle_) throw std::runtime_error("Couldn't initialize curl handle");
}

HttpRequest::~HttpRequest() { curl_easy_cleanup(static_cast<CURL*>(handle_)); }

HttpResponse HttpRequest::Post(const std::string& url, const std::string& body) {
  CURL* curl = static_cast<CURL*>(handle_);
  HttpResponse response;
  const std::string fullUrl = baseUrl_ + url;
  curl_easy_setopt(curl, CURLOPT_URL, fullUrl.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CollectBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &CollectHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response.headers);

  curl_slist* headerList = nullptr;
  for (const auto& [name, value] : headers_) headerList = curl_slist_append(headerList, (name + ": " + value).c_str());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
  if (timeoutSeconds_ > 0) {
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, timeoutSeconds_);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  }
  if (followRedirects_) {
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, redirectLimit_);
  }
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));

  const CURLcode result = curl_easy_perform(curl);
  if (result != CURLE_OK) {
    response.status = -1;
    response.body = curl_easy_strerror(result);
  } else {
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    response.status = status;
  }
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(headerList);
  return response;
}

}  // namespace usage_analytics
