#include "platform/pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/poll_loop.h"

namespace Platform {
namespace {

thread_local int t_lastError = 0;

bool Fail() {
  t_lastError = errno;
  return false;
}

// Moves a new descriptor above the standard streams: a child's streams are placed on 0, 1 and 2
// by dup2, and a pipe end sitting on one of those numbers would be overwritten before its turn.
bool KeepAboveStandardStreams(int& fd) {
  if (fd > STDERR_FILENO) return true;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  if (moved < 0) return false;
  ::close(fd);
  fd = moved;
  return true;
}

}  // namespace

bool CreatePipe(NativeHandle& readEnd, NativeHandle& writeEnd) {
  readEnd = writeEnd = kInvalidHandle;
  int fds[2];
  // Close-on-exec from the start: no other thread's child can inherit the ends in between.
  if (::pipe2(fds, O_CLOEXEC) != 0) return Fail();
  if (!KeepAboveStandardStreams(fds[0]) || !KeepAboveStandardStreams(fds[1])) {
    Fail();
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  readEnd = fds[0];
  writeEnd = fds[1];
  return true;
}

void CloseNativeHandle(NativeHandle& handle) {
  if (handle == kInvalidHandle) return;
  // Linux releases the descriptor even when close reports EINTR; never retry.
  ::close(static_cast<int>(handle));
  handle = kInvalidHandle;
}

bool ReadPipe(NativeHandle readEnd, void* buffer, size_t size, size_t& bytesRead, const PipeDrain* drain) {
  bytesRead = 0;
  const int fd = static_cast<int>(readEnd);
  if (fd < 0) {
    errno = EBADF;
    return Fail();
  }
  if (drain && drain->readEnd != kInvalidHandle) {
    // Wait until this pipe has something (or is broken) while serving the drained one.
    const PollResult waited = PollWhileDraining(fd, drain);
    if (waited == PollResult::Failed) return Fail();
  }
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n > 0) {
      bytesRead = static_cast<size_t>(n);
      return true;
    }
    if (n == 0) {
      errno = EPIPE;  // every write end is closed: the pipe is broken
      return Fail();
    }
    if (errno != EINTR) return Fail();
  }
}

size_t ReadPipeNow(NativeHandle readEnd, void* buffer, size_t size) {
  pollfd p{static_cast<int>(readEnd), POLLIN, 0};
  if (p.fd < 0 || ::poll(&p, 1, 0) != 1 || !(p.revents & (POLLIN | POLLHUP))) return 0;
  for (;;) {
    const ssize_t n = ::read(p.fd, buffer, size);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) {
      Fail();
      return 0;
    }
  }
}

bool WritePipe(NativeHandle writeEnd, const void* data, size_t size, size_t& written) {
  written = 0;
  const int fd = static_cast<int>(writeEnd);
  // A write to a pipe without reader raises SIGPIPE, which would end the installer. Block it on
  // this thread for the write and swallow the one the write raised, if any.
  sigset_t pipeOnly, previous, pending;
  sigemptyset(&pipeOnly);
  sigaddset(&pipeOnly, SIGPIPE);
  sigpending(&pending);
  const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
  pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
  bool ok = true;
  const char* bytes = static_cast<const char*>(data);
  while (written < size) {
    const ssize_t n = ::write(fd, bytes + written, size - written);
    if (n >= 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (errno == EINTR) continue;
    ok = Fail();
    break;
  }
  if (!ok && t_lastError == EPIPE && !alreadyPending) {
    const timespec none{0, 0};
    while (sigtimedwait(&pipeOnly, nullptr, &none) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return ok;
}

int LastPipeError() { return t_lastError; }

}  // namespace Platform
