#pragma once
// One anonymous pipe: its write end and its read end, both closed when the object goes.

#include "platform/pipe.h"

namespace Utils {

class Pipe {
 public:
  Pipe() = default;
  ~Pipe() { Close(); }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  // Creates the pipe; throws Utils::Exception when the system cannot (nothing stays open then).
  // A pipe that is already open is closed first.
  void Create();
  Platform::NativeHandle WriteEnd() const { return write_; }
  Platform::NativeHandle ReadEnd() const { return read_; }
  void CloseWriteEnd() { Platform::CloseNativeHandle(write_); }
  void CloseReadEnd() { Platform::CloseNativeHandle(read_); }
  void Close() {
    CloseWriteEnd();
    CloseReadEnd();
  }

 private:
  Platform::NativeHandle write_ = Platform::kInvalidHandle;
  Platform::NativeHandle read_ = Platform::kInvalidHandle;
};

}  // namespace Utils
