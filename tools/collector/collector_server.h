#pragma once
// The collector's answers: a batch posted to any path is decoded and its records appended to the
// records file, one JSON object a line, answered 200; a malformed body is answered 400 and
// logged. /_control/ sets faults and reads the request log.
//
// Faults (form text, at start with --fault or through POST /_control/fault):
//   status=N        answer N and store nothing
//   delay_ms=T      answer T milliseconds late (the batch is still stored, as by a slow collector)
//   close=1         close the connection without any answer; store nothing
//   accept_first=N  accept the first N batches after the faults were set, then answer
//                   fail_status (default 500) and store nothing

#include <httplib.h>

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Peers {

struct CollectorFaults {
  std::optional<int> status;
  std::optional<uint64_t> delayMs;
  bool close = false;
  std::optional<uint64_t> acceptFirst;
  int failStatus = 500;

  static std::optional<CollectorFaults> FromFields(const std::vector<std::pair<std::string, std::string>>& fields,
                                                   std::string* error);
};

class CollectorServer {
 public:
  explicit CollectorServer(std::filesystem::path recordsFile);

  void SetFaults(CollectorFaults faults);
  void Install(httplib::Server& server, bool verbose);

 private:
  struct Outcome {
    int status = 200;
    size_t stored = 0;
    std::string note;
    bool close = false;
  };
  void Collect(const httplib::Request& request, httplib::Response& response,
               const httplib::ContentReader& content);
  Outcome Decide(const std::string& body);
  bool AppendRecords(const std::vector<std::string>& records, std::string* error);
  void Log(const httplib::Request& request, size_t bodySize, const Outcome& outcome);

  const std::filesystem::path recordsFile_;
  std::mutex recordsMutex_;  // serialises appends to the records file
  mutable std::mutex mutex_;  // guards faults_, accepted_ and log_
  CollectorFaults faults_;
  uint64_t accepted_ = 0;     // batches accepted since the faults were set
  std::string log_;           // one tab-separated line per post
  uint64_t nextSeq_ = 1;
};

}  // namespace Peers
