#include "tools/package-server/file_body.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

#include "tools/package-server/peer_http.h"

namespace Peers {
namespace {

constexpr uint64_t kBlock = 64 * 1024;
constexpr char kContentType[] = "application/octet-stream";

using Clock = std::chrono::steady_clock;

// One response's streaming state; the library calls the provider on one worker thread only.
struct BodyStream {
  explicit BodyStream(FileBody b) : body(std::move(b)), buffer(kBlock) {}
  ~BodyStream() {
    if (body.fd >= 0) close(body.fd);
  }
  FileBody body;
  std::vector<char> buffer;
  bool stalled = false;
  Clock::time_point started{};
};

// Holds a stalled connection until the faults change or the server stops; then it is closed.
void HoldUntilReleased(const BodyStream& s) {
  while (!Stopping() && s.body.table->Generation() == s.body.faults.generation) {
    SleepUnlessStopping(std::chrono::milliseconds(20));
  }
}

// Sleeps until `sent` bytes are due at the configured rate.
bool PaceTo(const BodyStream& s, uint64_t sent) {
  const auto due = s.started + std::chrono::microseconds(sent * 1000000 / *s.body.faults.set.rate);
  const auto now = Clock::now();
  if (due <= now) return true;
  return SleepUnlessStopping(std::chrono::duration_cast<std::chrono::milliseconds>(due - now) +
                             std::chrono::milliseconds(1));
}

// Sends the next block of the body starting at `offset`; false closes the connection.
bool SendNext(BodyStream& s, uint64_t offset, httplib::DataSink& sink) {
  const FaultSet& faults = s.body.faults.set;
  if (Stopping()) return false;
  if (offset == 0) s.started = Clock::now();
  uint64_t block = std::min(kBlock, s.body.length - offset);

  if (faults.stallAfter && offset >= *faults.stallAfter && !s.stalled) {
    s.stalled = true;
    s.body.log->AddFault(*s.body.record, "stall");
    if (!faults.stallMs) {
      HoldUntilReleased(s);
      return false;
    }
    if (!SleepUnlessStopping(std::chrono::milliseconds(*faults.stallMs))) return false;
    s.started = Clock::now() - std::chrono::microseconds(faults.rate ? offset * 1000000 / *faults.rate : 0);
  }
  if (faults.stallAfter && offset < *faults.stallAfter) block = std::min(block, *faults.stallAfter - offset);
  if (faults.dropAfter) {
    if (offset >= *faults.dropAfter) {
      s.body.log->AddFault(*s.body.record, "drop");
      return false;
    }
    block = std::min(block, *faults.dropAfter - offset);
  }
  if (faults.rate) {
    block = std::min(block, std::max<uint64_t>(1, *faults.rate / 20));
    if (!PaceTo(s, offset)) return false;
  }

  ssize_t got;
  do {
    got = pread(s.body.fd, s.buffer.data(), block, static_cast<off_t>(s.body.first + offset));
  } while (got < 0 && errno == EINTR);
  if (got <= 0) return false;  // the file shrank or cannot be read: cut the answer short
  // Counted before the write so that a client that has the bytes finds them in the log.
  s.body.record->sent += static_cast<uint64_t>(got);
  return sink.write(s.buffer.data(), static_cast<size_t>(got));
}

}  // namespace

void AttachFileBody(httplib::Response& response, FileBody body) {
  if (body.length == 0) {
    if (body.fd >= 0) close(body.fd);
    response.set_content("", kContentType);
    return;
  }
  const uint64_t length = body.length;
  const bool announceLength = body.announceLength;
  auto stream = std::make_shared<BodyStream>(std::move(body));
  if (announceLength) {
    response.set_content_provider(
        length, kContentType,
        [stream](size_t offset, size_t, httplib::DataSink& sink) { return SendNext(*stream, offset, sink); });
    return;
  }
  response.set_content_provider(kContentType, [stream](size_t offset, httplib::DataSink& sink) {
    if (offset >= stream->body.length) {
      // The end of such a body is the end of the connection; the library would keep it open
      // for the next request. Everything written is already with the kernel and still goes out.
      sink.done();
      ShutdownConnection(stream->body.localPort, stream->body.remotePort);
      return true;
    }
    return SendNext(*stream, offset, sink);
  });
}

}  // namespace Peers
