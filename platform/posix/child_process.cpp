#include "platform/child_process.h"

#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/command_line.h"
#include "platform/posix/poll_loop.h"
#include "platform/posix/spawn_setup.h"

extern char** environ;

namespace Platform {
namespace {

thread_local int t_lastError = 0;

bool Fail(int error) {
  t_lastError = error;
  return false;
}

// Without a pidfd (older kernels) the wait polls the child this often.
constexpr int kReapPollMilliseconds = 10;

int OpenPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));  // close-on-exec by nature
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

uint32_t ExitCodeOf(int status) {
  if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<uint32_t>(WTERMSIG(status));
  return 0;
}

// The child's argument vector in the byte encoding of file names.
std::vector<std::string> NarrowArguments(std::wstring_view commandLine) {
  std::vector<std::string> arguments;
  for (const std::wstring& argument : SplitCommandLine(commandLine)) arguments.push_back(WideToAnsi(argument));
  return arguments;
}

// The child sees only its three streams, with a clean signal state.
int PrepareSpawn(SpawnSetup* setup, const ChildStreams& streams) {
  if (int e = setup->KeepOnlyStreams(static_cast<int>(streams.input), static_cast<int>(streams.output),
                                     static_cast<int>(streams.error)))
    return e;
  return setup->ResetSignals(false);
}

}  // namespace

ChildProcess::~ChildProcess() { Close(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept { *this = std::move(other); }

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this == &other) return *this;
  Close();
  process_ = other.process_;
  thread_ = other.thread_;
  id_ = other.id_;
  threadId_ = other.threadId_;
  ended_ = other.ended_;
  exitCode_ = other.exitCode_;
  other.process_ = other.thread_ = kInvalidHandle;
  other.id_ = other.threadId_ = 0;
  other.ended_ = false;
  other.exitCode_ = kStillActive;
  return *this;
}

bool ChildProcess::Start(std::wstring_view commandLine, const ChildStreams& streams) {
  if (IsStarted()) return Fail(EBUSY);
  // An empty text would split into this program's own path, and start a second installer.
  if (commandLine.find_first_not_of(L" \t") == std::wstring_view::npos) return Fail(ENOENT);
  const std::vector<std::string> arguments = NarrowArguments(commandLine);
  if (arguments.empty() || arguments[0].empty()) return Fail(ENOENT);
  if (streams.input < 0 || streams.output < 0 || streams.error < 0) return Fail(EBADF);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  SpawnSetup setup;
  if (int e = PrepareSpawn(&setup, streams)) return Fail(e);
  pid_t pid = 0;
  // posix_spawnp returns only after the exec has succeeded or failed, so a missing or unrunnable
  // program is reported here as an error number, with no child left behind.
  if (int e = ::posix_spawnp(&pid, argv[0], setup.Actions(), setup.Attributes(), argv.data(), environ))
    return Fail(e);
  id_ = threadId_ = static_cast<uint32_t>(pid);
  process_ = OpenPidfd(pid);  // the child is not reaped until we do it, so the pid is still ours
  ended_ = false;
  exitCode_ = kStillActive;
  return true;
}

bool ChildProcess::Reap(bool block) {
  if (ended_) return true;
  int status = 0;
  for (;;) {
    const pid_t got = ::waitpid(static_cast<pid_t>(id_), &status, block ? 0 : WNOHANG);
    if (got == static_cast<pid_t>(id_)) {
      exitCode_ = ExitCodeOf(status);
      break;
    }
    if (got == 0) return false;  // still running
    if (errno == EINTR) continue;
    // ECHILD: someone else collected the child (SIGCHLD ignored, or a waitpid(-1) elsewhere). It
    // has ended; its code is lost.
    exitCode_ = 0;
    break;
  }
  ended_ = true;
  CloseNativeHandle(process_);
  return true;
}

bool ChildProcess::GetExitCode(uint32_t& code) {
  if (!IsStarted()) return Fail(ESRCH);
  Reap(false);
  code = exitCode_;
  return true;
}

bool ChildProcess::Wait(const PipeDrain* drain) {
  if (!IsStarted()) return Fail(ESRCH);
  const bool draining = drain && drain->readEnd != kInvalidHandle;
  while (draining && !Reap(false)) {
    // A pidfd turns readable when the child ends; without one, look again after a short pause.
    const int pidfd = static_cast<int>(process_);
    const PollResult waited = PollWhileDraining(pidfd, drain, pidfd >= 0 ? -1 : kReapPollMilliseconds);
    if (waited == PollResult::Failed) return Fail(errno);
  }
  return Reap(true);
}

bool ChildProcess::Terminate() {
  if (!IsStarted()) return Fail(ESRCH);
  // The pid stays ours until it is reaped, so this can never hit an unrelated process.
  if (Reap(false)) return Fail(ESRCH);
  if (::kill(static_cast<pid_t>(id_), SIGKILL) != 0) return Fail(errno);
  return true;
}

void ChildProcess::Close() {
  // Collect a child that has ended, so it does not stay behind as a zombie. One that still runs
  // keeps running.
  // FIXME: such a child is reaped by no one until the installer exits.
  if (IsStarted()) Reap(false);
  CloseNativeHandle(process_);
  CloseNativeHandle(thread_);
  id_ = threadId_ = 0;
  ended_ = false;
  exitCode_ = kStillActive;
}

int ChildProcess::LastError() { return t_lastError; }

}  // namespace Platform
