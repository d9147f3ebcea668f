#pragma once
// A program started by a test as a real child process: standard input from /dev/null, standard
// output through a pipe the test reads, standard error shared with the test (so a peer's
// complaints land in the test's output). Stopped and reaped when the object goes away.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

struct ChildOptions {
  // Variables added to (or replacing those of) the test's own environment.
  std::vector<std::pair<std::string, std::string>> environment{};
  // Standard error to /dev/null instead of the test's own (for children that flood it).
  bool discardStderr = false;
};

class ChildProcess {
 public:
  // Throws std::runtime_error when the program cannot be started.
  explicit ChildProcess(std::vector<std::string> argv, ChildOptions options = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }

  // One line of standard output without its line feed; nothing on end of output or timeout.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
  // The bytes of one read of standard output, as the child's writes arrive; nothing on end of
  // output or timeout.
  std::optional<std::string> ReadSome(std::chrono::milliseconds timeout);
  // Everything the child still writes to standard output until it closes it (or the timeout).
  std::string ReadRest(std::chrono::milliseconds timeout);
  // Stops reading standard output; later writes by the child fail instead of blocking.
  void CloseOutput();

  // The exit status once the child has ended: its exit code, or 128 + the signal that ended it.
  std::optional<int> WaitFor(std::chrono::milliseconds timeout);
  // SIGTERM, then SIGKILL when the child is still there after `grace`; returns the exit status.
  int Terminate(std::chrono::milliseconds grace = std::chrono::seconds(5));

 private:
  std::optional<std::string> ReadFromPipe(std::chrono::milliseconds timeout);

  pid_t pid_ = -1;
  int stdout_ = -1;
  std::string pending_;  // read but not yet returned as a line
  std::optional<int> status_;
};

}  // namespace TestSupport
