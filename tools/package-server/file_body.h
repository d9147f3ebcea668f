#pragma once
// Streams a byte range of a file as a response body, straight from disk in small blocks (files
// can be gigabytes long), committing the body faults on the way: drop, stall, rate limit.

#include <httplib.h>

#include <cstdint>
#include <memory>

#include "tools/package-server/fault_table.h"
#include "tools/package-server/request_log.h"

namespace Peers {

struct FileBody {
  int fd = -1;  // owned: closed when the response is released
  uint64_t first = 0;
  uint64_t length = 0;
  bool announceLength = true;  // false: no Content-Length, the body ends when the connection closes
  int localPort = -1;          // the connection, closed after a body without Content-Length
  int remotePort = -1;
  AppliedFaults faults;
  const FaultTable* table = nullptr;
  RequestLog* log = nullptr;
  std::shared_ptr<RequestRecord> record;
};

// Installs the body on the response (type application/octet-stream, no content encoding).
void AttachFileBody(httplib::Response& response, FileBody body);

}  // namespace Peers
