#include "analytics/sdk/collector_sender.h"

#include <exception>
#include <iostream>

#include "analytics/sdk/batch_encoding.h"
#include "analytics/sdk/http_request.h"
#include "analytics/sdk/send_state.h"
#include "platform/debug_output.h"

namespace usage_analytics {
namespace {

HttpResponse PostBody(const std::string& url, const std::string& body, const HeaderList& headers) {
  try {
    HttpRequest request;
    for (const auto& [name, value] : headers) request.SetHeader(name, value);
    request.SetTimeout(kSendTimeoutSeconds);
    return request.Post(url, body);
  } catch (const std::exception& e) {
    std::cerr << e.what() << std::endl;
    HttpResponse failed;
    failed.body = e.what();
    return failed;
  }
}

}  // namespace

bool Send(const std::string& url, const std::string& batch, const HeaderList& headers) {
  const std::optional<std::string> body = EncodeBatchBody(batch);
  if (!body) return false;

  const HttpResponse response = PostBody(url, *body, headers);
  const bool accepted = response.status == 200;
  if (!accepted) {
    Platform::OutputDebugText(L"[metrics] Metrics SDK send failed");
    std::cerr << "Metrics SDK send failed: " << response.body << std::endl;
  }
  SetLastSendSucceeded(accepted);
  return accepted;
}

}  // namespace usage_analytics
