#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

#include "platform/codepage.h"
#include "platform/posix/runtime_folder.h"

namespace Platform {

bool SingleInstanceLock::Acquire() {
  if (IsHeld()) return true;
  const std::string file = WideToUtf8(name_) + ".lock";
  if (name_.empty() || file.find('/') != std::string::npos) return false;
  const int folder = Posix::OpenPrivateRuntimeFolder();
  if (folder < 0) return false;
  const int fd = ::openat(folder, file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  ::close(folder);
  if (fd < 0) return false;
  // The lock belongs to this open file description; the kernel drops it when the process ends.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

void SingleInstanceLock::Release() {
  if (!IsHeld()) return;
  // The file stays: removing it would let a second process lock a new file while a third still
  // holds the old one.
  ::close(static_cast<int>(handle_));
  handle_ = -1;
}

}  // namespace Platform
