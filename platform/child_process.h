#pragma once
// A hidden child process whose standard streams are pipe ends of the parent.
//
// The command line is one text split with the CommandLineToArgvW rules (SplitCommandLine), so the
// same text starts the same program with the same arguments on every system. The first argument
// names the program: a path, or on POSIX a bare name looked up in PATH. The child gets the
// parent's environment and current directory and nothing of the parent but the three streams.

#include <cstdint>
#include <string_view>

#include "platform/pipe.h"

namespace Platform {

// The exit code reported while the child is still running (STILL_ACTIVE).
inline constexpr uint32_t kStillActive = 259;

// The child's ends of its three standard streams.
struct ChildStreams {
  NativeHandle input = kInvalidHandle;
  NativeHandle output = kInvalidHandle;
  NativeHandle error = kInvalidHandle;
};

// One started child. Move-only; destroying or closing it releases the handles but leaves a child
// that still runs running (it is not killed).
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the program of `commandLine` with `streams` as its standard input, output and error.
  // False (LastError tells why) when the text names no program or the program cannot be run.
  bool Start(std::wstring_view commandLine, const ChildStreams& streams);
  bool IsStarted() const { return id_ != 0; }
  uint32_t ProcessId() const { return id_; }
  uint32_t ThreadId() const { return threadId_; }

  // Does not wait. `code` is kStillActive while the child runs, then its exit code: the value it
  // passed to exit, or 128 + the signal number when a signal ended it. False when nothing was started.
  bool GetExitCode(uint32_t& code);
  // Waits without time limit for the child to end; `drain`, when given, is served meanwhile.
  bool Wait(const PipeDrain* drain = nullptr);
  // Ends the child at once (it cannot refuse). False when it has already ended or nothing was started.
  bool Terminate();
  // Releases the handles; the object can then be discarded.
  void Close();

  // The errno-style number of the last failure on this thread.
  static int LastError();

 private:
  bool Reap(bool block);

  NativeHandle process_ = kInvalidHandle;  // a pidfd on Linux; may stay invalid where there is none
  NativeHandle thread_ = kInvalidHandle;   // the main thread's handle; none on POSIX
  uint32_t id_ = 0;
  uint32_t threadId_ = 0;
  bool ended_ = false;  // the exit status has been collected into exitCode_
  uint32_t exitCode_ = kStillActive;
};

}  // namespace Platform
