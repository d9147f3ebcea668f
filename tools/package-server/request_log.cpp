#include "tools/package-server/request_log.h"

#include "tools/package-server/peer_http.h"

namespace Peers {

std::shared_ptr<RequestRecord> RequestLog::Begin(std::string method, std::string target, std::string range) {
  auto record = std::make_shared<RequestRecord>();
  record->method = std::move(method);
  record->target = std::move(target);
  record->range = std::move(range);
  std::lock_guard lock(mutex_);
  record->seq = nextSeq_++;
  records_.push_back(record);
  return record;
}

void RequestLog::Finish(RequestRecord& record, int status, int64_t length, std::string location,
                        std::string faults) {
  std::lock_guard lock(mutex_);
  record.status = status;
  record.length = length;
  record.location = std::move(location);
  if (!faults.empty()) record.faults += (record.faults.empty() ? "" : ",") + faults;
}

void RequestLog::AddFault(RequestRecord& record, const std::string& fault) {
  std::lock_guard lock(mutex_);
  record.faults += (record.faults.empty() ? "" : ",") + fault;
}

void RequestLog::Clear() {
  std::lock_guard lock(mutex_);
  records_.clear();
}

std::string RequestLog::Render() const {
  std::lock_guard lock(mutex_);
  std::string text;
  for (const auto& r : records_) {
    text += std::to_string(r->seq) + "\t" + TabField(r->method) + "\t" + TabField(r->target) + "\t" + TabField(r->range) +
            "\t" + std::to_string(r->status) + "\t" + std::to_string(r->length) + "\t" +
            std::to_string(r->sent.load()) + "\t" + TabField(r->location) + "\t" + TabField(r->faults) + "\n";
  }
  return text;
}

}  // namespace Peers
