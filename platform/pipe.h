#pragma once
// Anonymous pipes and the handles of their ends.
//
// A pipe end is never inherited by a child process unless it is handed to StartChildProcess as one
// of the child's standard streams, so a child cannot keep a pipe of another child alive.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace Platform {

// A descriptor on POSIX, a HANDLE on Windows.
using NativeHandle = std::intptr_t;
inline constexpr NativeHandle kInvalidHandle = -1;

// Creates an anonymous pipe. On failure both ends stay kInvalidHandle; LastPipeError tells why.
bool CreatePipe(NativeHandle& readEnd, NativeHandle& writeEnd);
// Closes an open handle and sets it to kInvalidHandle; an invalid handle is left alone.
void CloseNativeHandle(NativeHandle& handle);

// Bytes read from a pipe meanwhile. While a call below is blocked, whatever arrives at `readEnd`
// is read and handed to `sink`, so a writer on that pipe never blocks on a full pipe.
struct PipeDrain {
  NativeHandle readEnd = kInvalidHandle;
  std::function<void(std::string_view bytes)> sink;
};

// Blocking read of up to `size` bytes. True when bytes were read; false with `bytesRead` 0 once the
// pipe is broken (every write end closed) or on an error. `drain`, when given, is served meanwhile.
bool ReadPipe(NativeHandle readEnd, void* buffer, size_t size, size_t& bytesRead,
              const PipeDrain* drain = nullptr);
// Reads what is in the pipe now without waiting: the number of bytes read, 0 when there are none
// or the pipe is broken.
size_t ReadPipeNow(NativeHandle readEnd, void* buffer, size_t size);
// Blocking write of all `size` bytes. False when the reader has gone (never raises a signal) or on
// an error; `written` tells how much went through.
bool WritePipe(NativeHandle writeEnd, const void* data, size_t size, size_t& written);

// The errno-style number of the last failure of a call above on this thread.
int LastPipeError();

}  // namespace Platform
