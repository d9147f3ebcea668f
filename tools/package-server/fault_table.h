#pragma once
// Faults a test asks the package server to commit, by request path ("*" for every path without a
// set of its own). Set at start with --fault and at run time through the control endpoint; both
// use the same "key=value&key=value" text:
//
//   status=N        answer status N (a 2xx status still sends the normal body)
//   fail_first=N    answer fail_status (default 500) to the first N requests, then behave
//   drop_after=N    close the connection after N bytes of the body
//   stall_after=N   stop sending after N bytes of the body: for stall_ms milliseconds when given
//                   (then go on), otherwise until the faults change or the server stops (then close)
//   rate=R          send at most R body bytes per second on the connection
//   redirects=K     answer K extra redirects (/_hop/K-1/<path> ... /_hop/0/<path>) before the normal answer
//   no_length=1     send the body without Content-Length, ending it by closing the connection
//   digest=D        redirect /software/<id> with a wrong digest: "wrong" (last digit changed), "upper"
//                   (upper-case digits), "none" (no digest segment) or 32 hexadecimal digits of choice
//   ignore_range=1  answer 200 with the whole body whatever the Range header says

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Peers {

struct FaultSet {
  std::optional<int> status;
  int failFirst = 0;
  int failStatus = 500;
  std::optional<uint64_t> dropAfter;
  std::optional<uint64_t> stallAfter;
  std::optional<uint64_t> stallMs;
  std::optional<uint64_t> rate;
  int redirects = 0;
  bool noLength = false;
  std::string digest;  // empty: the true digest
  bool ignoreRange = false;

  // Builds a set from decoded fields; unknown keys and bad values are refused with *error.
  static std::optional<FaultSet> FromFields(const std::vector<std::pair<std::string, std::string>>& fields,
                                             std::string* error);
  // The canonical "key=value&..." text of the faults that are set ("" when none).
  std::string Describe() const;
};

// "path=<path>&<fault>=<value>..." as the control endpoint and --fault take it.
struct PathFaults {
  std::string path;
  FaultSet set;
  bool clears = false;  // only a path: its faults are to be cleared
};
std::optional<PathFaults> ParsePathFaults(const std::vector<std::pair<std::string, std::string>>& fields,
                                          std::string* error);

// What one request is to suffer.
struct AppliedFaults {
  FaultSet set;
  bool failThisRequest = false;  // one of the first fail_first requests
  uint64_t generation = 0;       // the table's generation when the request arrived
};

// Guarded by its own mutex; handlers on every worker thread call Match.
class FaultTable {
 public:
  void Set(const std::string& path, FaultSet set);
  void Clear(const std::string& path);
  void Reset();
  // The faults for a request path: its own set, else the "*" set, else none. Counts the request
  // against fail_first.
  AppliedFaults Match(const std::string& path);
  // Changes whenever the table changes; a stall without stall_ms ends when it does.
  uint64_t Generation() const;
  // One line per path: "<path> <faults>".
  std::string Render() const;

 private:
  struct Entry {
    FaultSet set;
    int requestsSeen = 0;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;
  uint64_t generation_ = 0;
};

}  // namespace Peers
