#include "utils/process.h"

#include <algorithm>

#include "utils/exception.h"

namespace Utils {

void Process::CreatePipes() {
  error_.Create();
  output_.Create();
  input_.Create();
}

void Process::Start(const std::wstring& commandLine) {
  // Refused rather than cut: a cut command line would run the program with other arguments.
  if (commandLine.size() >= kCommandLineCapacity) throw Exception();
  if (child_.IsStarted()) throw Exception();
  if (error_.WriteEnd() == Platform::kInvalidHandle || output_.WriteEnd() == Platform::kInvalidHandle ||
      input_.ReadEnd() == Platform::kInvalidHandle)
    throw Exception();
  std::fill(std::begin(commandLine_), std::end(commandLine_), L'\0');
  std::copy(commandLine.begin(), commandLine.end(), commandLine_);

  Platform::ChildStreams streams;
  streams.input = input_.ReadEnd();
  streams.output = output_.WriteEnd();
  streams.error = error_.WriteEnd();
  if (!child_.Start(commandLine_, streams)) throw Exception();
  // These ends belong to the child now. Closing them here is what lets the output pipe break once
  // the child, and whatever it started with the stream, has exited.
  output_.CloseWriteEnd();
  error_.CloseWriteEnd();
  input_.CloseReadEnd();
}

bool Process::ReadOutput(void* buffer, size_t size, size_t& bytesRead) {
  const Platform::PipeDrain drain = ErrorDrain();
  return Platform::ReadPipe(output_.ReadEnd(), buffer, size, bytesRead, &drain);
}

bool Process::WriteInput(const void* data, size_t size, size_t& written) {
  return Platform::WritePipe(input_.WriteEnd(), data, size, written);
}

std::string Process::TakeErrorOutput() {
  char buffer[16384];
  while (size_t got = Platform::ReadPipeNow(error_.ReadEnd(), buffer, sizeof(buffer)))
    KeepErrorOutput(std::string_view(buffer, got));
  std::string taken;
  taken.swap(errorOutput_);
  return taken;
}

bool Process::GetExitCode(uint32_t& code) { return child_.GetExitCode(code); }

bool Process::Wait() {
  const Platform::PipeDrain drain = ErrorDrain();
  return child_.Wait(&drain);
}

bool Process::Kill() { return child_.Terminate(); }

void Process::Close() {
  child_.Close();
  error_.Close();
  output_.Close();
  input_.Close();
  errorOutput_.clear();
}

Platform::PipeDrain Process::ErrorDrain() {
  Platform::PipeDrain drain;
  drain.readEnd = error_.ReadEnd();
  drain.sink = [this](std::string_view bytes) { KeepErrorOutput(bytes); };
  return drain;
}

void Process::KeepErrorOutput(std::string_view bytes) {
  errorOutput_.append(bytes);
  if (errorOutput_.size() > kErrorOutputKept) errorOutput_.erase(0, errorOutput_.size() - kErrorOutputKept);
}

}  // namespace Utils
