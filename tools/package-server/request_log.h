#pragma once
// What the package server saw and answered, readable through GET /_control/log as one line per
// request, fields separated by tabs:
//
//   seq  method  target  range  status  length  sent  location  faults
//
// range is the request's Range header ("" when absent); length the Content-Length announced
// (-1 when none); sent the body bytes handed to the connection so far; location the redirect
// target or the Content-Range of a partial answer; faults what was applied ("drop", "stall", ...).
// Requests the HTTP library refuses before any handler sees them (a Range header it cannot parse
// gets 416 from it) are not in the log.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Peers {

struct RequestRecord {
  uint64_t seq = 0;
  std::string method;
  std::string target;
  std::string range;
  // Written by the handler before the answer goes out, under the log's mutex.
  int status = 0;
  int64_t length = -1;
  std::string location;
  std::string faults;
  // Counted by the body writer while it streams.
  std::atomic<uint64_t> sent{0};
};

class RequestLog {
 public:
  std::shared_ptr<RequestRecord> Begin(std::string method, std::string target, std::string range);
  void Finish(RequestRecord& record, int status, int64_t length, std::string location, std::string faults);
  void AddFault(RequestRecord& record, const std::string& fault);
  void Clear();
  std::string Render() const;

 private:
  mutable std::mutex mutex_;  // guards records_, nextSeq_ and the records' answer fields
  std::vector<std::shared_ptr<RequestRecord>> records_;
  uint64_t nextSeq_ = 1;
};

}  // namespace Peers
