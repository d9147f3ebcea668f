#pragma once
// One HTTP exchange with the collector through a libcurl easy handle. Certificate verification
// keeps libcurl's defaults: batches carry device identifiers and go only to a verified collector.

#include <map>
#include <string>

namespace usage_analytics {

struct HttpResponse {
  long status = -1;  // -1 when the transfer itself failed
  std::string body;  // the response body, or libcurl's error text on a failed transfer
  std::map<std::string, std::string> headers;
};

class HttpRequest {
 public:
  // Throws std::runtime_error("Couldn't initialize curl handle") when no handle can be made.
  HttpRequest();
  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  void SetBaseUrl(std::string baseUrl) { baseUrl_ = std::move(baseUrl); }
  void SetHeader(const std::string& name, const std::string& value) { headers_[name] = value; }
  // The whole transfer's limit in seconds; 0 means none.
  void SetTimeout(long seconds) { timeoutSeconds_ = seconds; }
  void SetFollowRedirects(bool follow, long limit) {
    followRedirects_ = follow;
    redirectLimit_ = limit;
  }

  HttpResponse Post(const std::string& url, const std::string& body);

 private:
  void* handle_ = nullptr;  // CURL*
  std::string baseUrl_;
  std::map<std::string, std::string> headers_;
  long timeoutSeconds_ = 0;
  bool followRedirects_ = false;
  long redirectLimit_ = -1;
};

}  // namespace usage_analytics
