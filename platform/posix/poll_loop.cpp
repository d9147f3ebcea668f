#include "platform/posix/poll_loop.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"

namespace Platform {

PollResult PollWhileDraining(int fd, const PipeDrain* drain, int timeoutMs) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {-1, POLLIN, 0}};
  if (drain && drain->readEnd != kInvalidHandle) fds[1].fd = static_cast<int>(drain->readEnd);
  const uint64_t start = MonotonicMilliseconds();
  for (;;) {
    int wait = timeoutMs;
    if (timeoutMs >= 0) {
      const uint64_t spent = MonotonicMilliseconds() - start;
      wait = spent >= static_cast<uint64_t>(timeoutMs) ? 0 : timeoutMs - static_cast<int>(spent);
    }
    const int n = ::poll(fds, 2, wait);
    if (n < 0) {
      if (errno == EINTR) continue;
      return PollResult::Failed;
    }
    if (n == 0) return PollResult::TimedOut;
    if (fds[1].revents) {
      char buffer[16384];
      const ssize_t got = ::read(fds[1].fd, buffer, sizeof(buffer));
      if (got > 0) {
        if (drain->sink) drain->sink(std::string_view(buffer, static_cast<size_t>(got)));
      } else if (got == 0 || errno != EINTR) {
        fds[1].fd = -1;  // the drained pipe is broken: nothing more will come
      }
    }
    if (fds[0].revents) return PollResult::Ready;
  }
}

}  // namespace Platform
