#include "tools/collector/collector_server.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/collector/batch_decoder.h"
#include "tools/package-server/peer_http.h"

namespace Peers {
namespace {

// A body beyond this is refused while it is read; a batch of 30 records is far smaller.
constexpr size_t kMaxBody = 32 << 20;

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

}  // namespace

std::optional<CollectorFaults> CollectorFaults::FromFields(
    const std::vector<std::pair<std::string, std::string>>& fields, std::string* error) {
  CollectorFaults faults;
  for (const auto& field : fields) {
    // Named references, not a structured binding: clang before 16 cannot capture bindings in a lambda.
    const std::string& key = field.first;
    const std::string& value = field.second;
    const std::optional<uint64_t> number = ParseUnsigned(value);
    auto bad = [&] {
      *error = "bad value for " + key + ": " + value;
      return std::nullopt;
    };
    if (key == "status" || key == "fail_status") {
      if (!number || *number < 100 || *number > 599) return bad();
      (key == "status" ? faults.status.emplace() : faults.failStatus) = static_cast<int>(*number);
    } else if (key == "delay_ms") {
      if (!number || *number > 3600 * 1000) return bad();
      faults.delayMs = *number;
    } else if (key == "close") {
      if (value != "1" && value != "0") return bad();
      faults.close = value == "1";
    } else if (key == "accept_first") {
      if (!number) return bad();
      faults.acceptFirst = *number;
    } else {
      *error = "unknown fault: " + key;
      return std::nullopt;
    }
  }
  return faults;
}

CollectorServer::CollectorServer(std::filesystem::path recordsFile) : recordsFile_(std::move(recordsFile)) {}

void CollectorServer::SetFaults(CollectorFaults faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
  accepted_ = 0;
}

void CollectorServer::Install(httplib::Server& server, bool verbose) {
  server.set_payload_max_length(kMaxBody);
  server.Post("/_control/fault", [this](const httplib::Request& request, httplib::Response& response) {
    std::vector<std::pair<std::string, std::string>> fields(request.params.begin(), request.params.end());
    std::string error;
    std::optional<CollectorFaults> faults = CollectorFaults::FromFields(fields, &error);
    if (!faults) {
      response.status = 400;
      response.set_content(error + "\n", "text/plain");
      return;
    }
    SetFaults(*faults);
    response.set_content("ok\n", "text/plain");
  });
  server.Post("/_control/reset", [this](const httplib::Request&, httplib::Response& response) {
    SetFaults({});
    std::lock_guard lock(mutex_);
    log_.clear();
    response.set_content("ok\n", "text/plain");
  });
  server.Get("/_control/log", [this](const httplib::Request&, httplib::Response& response) {
    std::lock_guard lock(mutex_);
    response.set_content(log_, "text/tab-separated-values");
  });
  // The body is read through a content reader: the library's own form parsing refuses bodies
  // beyond 8 KiB, and a batch of 30 records can be larger. The library offers a post to these
  // handlers before the others, so the control paths are left out here.
  server.Post("(?!/_control/).*", [this](const httplib::Request& request, httplib::Response& response,
                           const httplib::ContentReader& content) { Collect(request, response, content); });
  if (verbose) {
    server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
      std::fprintf(stderr, "%s %s -> %d\n", request.method.c_str(), request.target.c_str(), response.status);
    });
  }
}

void CollectorServer::Collect(const httplib::Request& request, httplib::Response& response,
                              const httplib::ContentReader& content) {
  std::string body;
  content([&](const char* data, size_t size) {
    body.append(data, size);
    return true;
  });
  Outcome outcome = Decide(body);
  Log(request, body.size(), outcome);
  if (!outcome.note.empty() && outcome.status == 400) {
    std::fprintf(stderr, "refused a batch posted to %s: %s\n", request.target.c_str(), outcome.note.c_str());
  }
  if (outcome.close) {
    ShutdownConnectionOf(request);
    return;
  }
  std::optional<uint64_t> delay;
  {
    std::lock_guard lock(mutex_);
    delay = faults_.delayMs;
  }
  if (delay) SleepUnlessStopping(std::chrono::milliseconds(*delay));
  response.status = outcome.status;
  response.set_content(outcome.status == 200 ? "ok\n" : outcome.note + "\n", "text/plain");
}

CollectorServer::Outcome CollectorServer::Decide(const std::string& body) {
  CollectorFaults faults;
  {
    std::lock_guard lock(mutex_);
    faults = faults_;
  }
  if (faults.close) return {0, 0, "close", true};
  if (faults.status) return {*faults.status, 0, "status", false};

  DecodedBatch batch = DecodeBatchBody(body);
  if (!batch.error.empty()) return {400, 0, batch.error, false};
  if (faults.acceptFirst) {
    std::lock_guard lock(mutex_);
    if (accepted_ >= *faults.acceptFirst) return {faults.failStatus, 0, "accept_first", false};
    ++accepted_;
  }
  std::string error;
  if (!AppendRecords(batch.records, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return {500, 0, error, false};
  }
  return {200, batch.records.size(), faults.delayMs ? "delay" : "", false};
}

bool CollectorServer::AppendRecords(const std::vector<std::string>& records, std::string* error) {
  std::string text;
  for (const std::string& record : records) text += record + "\n";
  std::lock_guard lock(recordsMutex_);
  const int fd = open(recordsFile_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) {
    *error = "cannot open " + recordsFile_.string() + ": " + std::strerror(errno);
    return false;
  }
  // One write per batch, so a reader never sees half a batch interleaved with another.
  const bool written = WriteAll(fd, text);
  const int savedErrno = errno;
  close(fd);
  if (!written) *error = "cannot append to " + recordsFile_.string() + ": " + std::strerror(savedErrno);
  return written;
}

void CollectorServer::Log(const httplib::Request& request, size_t bodySize, const Outcome& outcome) {
  std::lock_guard lock(mutex_);
  log_ += std::to_string(nextSeq_++) + "\t" + TabField(request.method) + "\t" + TabField(request.target) + "\t" +
          std::to_string(outcome.status) + "\t" + std::to_string(outcome.stored) + "\t" + std::to_string(bodySize) +
          "\t" + TabField(outcome.note) + "\n";
}

}  // namespace Peers
