#include "platform/shell.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/command_line.h"
#include "platform/file.h"
#include "platform/path.h"

extern char** environ;

namespace Platform {
namespace {

constexpr char kDesktopOpener[] = "xdg-open";

// Full path of `program` found in PATH, or empty.
std::string FindInPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    start = end + 1;
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

bool IsProgramFile(const std::string& path) {
  return IsRegularFile(AnsiToWide(path)) && ::access(path.c_str(), X_OK) == 0;
}

// Everything the grandchild needs, prepared before fork: after fork in a threaded process only
// async-signal-safe calls are allowed.
struct LaunchPlan {
  std::string program;
  std::vector<std::string> arguments;  // argv, the program first
  std::string workingFolder;           // empty: stay in the current folder
};

[[noreturn]] void RunGrandchild(const LaunchPlan& plan, char* const* argv, int reportFd) {
  int error = 0;
  if (!plan.workingFolder.empty() && ::chdir(plan.workingFolder.c_str()) != 0) {
    error = errno;
  } else {
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
      if (null > 2) ::close(null);
    }
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    // No descriptor of the installer (pipes of a deployment script, the lock file) reaches the
    // program; the report pipe is close-on-exec already.
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
      const long limit = ::sysconf(_SC_OPEN_MAX);
      for (int fd = 3; fd < (limit > 0 ? limit : 1024); ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    ::execve(plan.program.c_str(), argv, environ);
    error = errno;
  }
  ssize_t ignored = ::write(reportFd, &error, sizeof(error));
  (void)ignored;
  ::_exit(127);
}

// Starts the plan twice forked in a new session, so the program is no child of the installer and
// leaves no zombie behind. True when the program image was started.
bool LaunchDetached(const LaunchPlan& plan) {
  std::vector<char*> argv;
  for (const std::string& a : plan.arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t middle = ::fork();
  if (middle < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (middle == 0) {
    ::close(report[0]);
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild == 0) RunGrandchild(plan, argv.data(), report[1]);
    if (grandchild < 0) {
      const int error = errno;
      ssize_t ignored = ::write(report[1], &error, sizeof(error));
      (void)ignored;
    }
    ::_exit(0);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  // End of file without a number: execve succeeded and closed the report pipe.
  int error = 0;
  ssize_t n;
  do {
    n = ::read(report[0], &error, sizeof(error));
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  return n == 0;
}

}  // namespace

bool ShellOpen(std::wstring_view target, std::wstring_view parameters, std::wstring_view workingFolder,
               ShowCommand show) {
  // The window state has no meaning for a program started here; the opener picks its own.
  (void)show;
  if (target.empty()) return false;
  LaunchPlan plan;
  plan.workingFolder = WideToAnsi(NativePath(workingFolder));
  const std::string native = WideToAnsi(NativePath(target));
  if (IsProgramFile(native)) {
    plan.program = native;
    plan.arguments.push_back(plan.program);
    if (!parameters.empty()) {
      // A stand-in program name first: the first argument follows different splitting rules.
      std::vector<std::wstring> split = SplitCommandLine(L"program " + std::wstring(parameters));
      for (size_t i = 1; i < split.size(); ++i) plan.arguments.push_back(WideToAnsi(split[i]));
    }
  } else {
    plan.program = FindInPath(kDesktopOpener);
    if (plan.program.empty()) return false;
    // A folder or document by its native path; anything else (an address) as it was given.
    plan.arguments = {plan.program, PathExists(target) ? native : WideToAnsi(target)};
  }
  return LaunchDetached(plan);
}

}  // namespace Platform
