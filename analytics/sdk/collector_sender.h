#pragma once
// Posting one encoded batch to the analytics collector. Only status 200 counts as accepted.

#include <string>
#include <utility>
#include <vector>

#include "analytics/sdk/record_buffer.h"

namespace usage_analytics {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

inline constexpr long kSendTimeoutSeconds = 3;

// Encodes `batch` and posts it to `url`; records the outcome in the send state unless the batch
// could not even be encoded.
bool Send(const std::string& url, const std::string& batch, const HeaderList& headers);

class CollectorSender final : public BatchSender {
 public:
  explicit CollectorSender(std::string url) : url_(std::move(url)) {}
  bool SendBatch(const std::string& batch) override { return Send(url_, batch, headers_); }
  const std::string& url() const { return url_; }

 private:
  std::string url_;
  HeaderList headers_;  // no extra headers are sent today
};

}  // namespace usage_analytics
