#pragma once
// A lock held by at most one process of the user's logon, named like a Windows named mutex in the
// logon's local namespace. The system releases it when the holding process ends, however it ends.
//
// POSIX: flock on a lock file in $XDG_RUNTIME_DIR (else in a private 0700 folder of the user under
// /tmp); the file is never reached through a symbolic link and is not inherited by child programs.

#include <cstdint>
#include <string>
#include <string_view>

namespace Platform {

class SingleInstanceLock {
 public:
  explicit SingleInstanceLock(std::wstring_view name) : name_(name) {}
  ~SingleInstanceLock() { Release(); }
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // True when this object holds the lock afterwards; false when another process holds it or the
  // lock cannot be made at all.
  bool Acquire();
  bool IsHeld() const { return handle_ >= 0; }
  void Release();

 private:
  std::wstring name_;
  std::intptr_t handle_ = -1;  // the lock file descriptor here, the mutex HANDLE on Windows
};

}  // namespace Platform
