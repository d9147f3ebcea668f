#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace TestSupport {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> MergedEnvironment(const ChildOptions& options) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    const size_t equals = text.find('=');
    if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
  }
  for (const auto& [name, value] : options.environment) variables[name] = value;
  std::vector<std::string> merged;
  for (const auto& [name, value] : variables) merged.push_back(name + "=" + value);
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

int DecodeStatus(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, ChildOptions options) {
  if (argv.empty()) throw std::runtime_error("no program to start");
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("cannot create a pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  if (options.discardStderr) posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> environment = MergedEnvironment(options);
  std::vector<char*> argvPointers = Pointers(argv);
  std::vector<char*> environmentPointers = Pointers(environment);
  const int result = posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, argvPointers.data(),
                                 environmentPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (result != 0) {
    close(pipeEnds[0]);
    pid_ = -1;
    throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(result));
  }
  stdout_ = pipeEnds[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !status_) Terminate();
  CloseOutput();
}

std::optional<std::string> ChildProcess::ReadFromPipe(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (stdout_ >= 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd wait{stdout_, POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char buffer[65536];
    const ssize_t got = read(stdout_, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    return std::string(buffer, static_cast<size_t>(got));
  }
  CloseOutput();
  return std::nullopt;
}

std::optional<std::string> ChildProcess::ReadSome(std::chrono::milliseconds timeout) {
  if (!pending_.empty()) return std::exchange(pending_, {});
  return ReadFromPipe(timeout);
}

std::optional<std::string> ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (const size_t end = pending_.find('\n'); end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    const std::optional<std::string> more =
        ReadFromPipe(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
    if (!more) {
      // At the end of the output a last line may lack its line feed.
      if (stdout_ < 0 && !pending_.empty()) return std::exchange(pending_, {});
      return std::nullopt;
    }
    pending_ += *more;
  }
}

std::string ChildProcess::ReadRest(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::string text;
  while (const auto line = ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()))) {
    text += *line + "\n";
  }
  return text + std::exchange(pending_, {});
}

void ChildProcess::CloseOutput() {
  if (stdout_ >= 0) close(stdout_);
  stdout_ = -1;
}

std::optional<int> ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
  if (status_ || pid_ <= 0) return status_;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int raw = 0;
    const pid_t done = waitpid(pid_, &raw, WNOHANG);
    if (done == pid_) {
      status_ = DecodeStatus(raw);
      return status_;
    }
    if (done < 0 && errno != EINTR) return std::nullopt;
    if (Clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

int ChildProcess::Terminate(std::chrono::milliseconds grace) {
  if (status_) return *status_;
  kill(pid_, SIGTERM);
  if (const std::optional<int> status = WaitFor(grace)) return *status;
  kill(pid_, SIGKILL);
  return WaitFor(std::chrono::seconds(30)).value_or(-1);
}

}  // namespace TestSupport
