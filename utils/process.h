#pragma once
// A hidden child process whose standard input, output and error are anonymous pipes, so that its
// owner can read the child's progress lines from its standard output.
//
// Life of one object: CreatePipes, Start, then reads of the output and exit-code queries, Wait,
// Close (or destruction). An object starts one child at most; it is never reused.
// A Process belongs to the one thread that uses it; it has no locks.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/child_process.h"
#include "utils/pipe.h"

namespace Utils {

class Process {
 public:
  // The command line buffer holds at most 1023 characters and the terminator.
  static constexpr size_t kCommandLineCapacity = 1024;
  static constexpr uint32_t kStillActive = Platform::kStillActive;
  // The error stream is read into memory whenever the object waits, so a child that writes much
  // there never blocks; the newest bytes up to this many are kept.
  static constexpr size_t kErrorOutputKept = 64 * 1024;

  Process() = default;
  ~Process() { Close(); }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Creates the error, output and input pipes, in this order. Throws Utils::Exception.
  void CreatePipes();
  // Starts the program named by the command line (program path and arguments, split with the
  // CommandLineToArgvW rules), hidden, with the pipes as its standard streams, then closes the
  // child's ends here. Throws Utils::Exception when the text has 1024 characters or more, when
  // the pipes are missing, when this object already started a child, or when the program cannot
  // be started.
  void Start(const std::wstring& commandLine);

  // Blocking read of the child's standard output. True when bytes were read; false with
  // `bytesRead` 0 once the child and everything that inherited the stream have closed it.
  bool ReadOutput(void* buffer, size_t size, size_t& bytesRead);
  // Writes to the child's standard input (nothing in the installer does; the child sees an input
  // that stays open). False when the child no longer reads it.
  bool WriteInput(const void* data, size_t size, size_t& written);
  // Closes the child's standard input, which then reaches its end.
  void CloseInput() { input_.CloseWriteEnd(); }
  // What the child has written to its standard error so far and not yet taken (the newest
  // kErrorOutputKept bytes).
  std::string TakeErrorOutput();

  // Does not wait: `code` is kStillActive (259) while the child runs. False when there is no child.
  bool GetExitCode(uint32_t& code);
  // Waits without time limit for the child to end.
  bool Wait();
  // Ends the child at once. False when it had already ended or there is no child.
  bool Kill();
  // Releases the process and every pipe end still open. A child that still runs is not killed.
  void Close();

  uint32_t ProcessId() const { return child_.ProcessId(); }
  const wchar_t* CommandLine() const { return commandLine_; }

 private:
  Platform::PipeDrain ErrorDrain();
  void KeepErrorOutput(std::string_view bytes);

  wchar_t commandLine_[kCommandLineCapacity] = {};
  Pipe error_;
  Pipe output_;
  Pipe input_;
  Platform::ChildProcess child_;
  std::string errorOutput_;
};

}  // namespace Utils
