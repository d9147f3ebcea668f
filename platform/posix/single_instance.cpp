#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/codepage.h"

namespace Platform {
namespace {

// A folder only this user can reach: a real directory (not a link), owned by the user, closed to
// group and others. Anyone else able to create or replace the lock file could take the lock away.
bool IsPrivateFolder(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 0077) == 0;
}

// Opens `path` as a directory without following a symbolic link at its last component.
int OpenFolder(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// $XDG_RUNTIME_DIR when it is set and private; otherwise /tmp/plenwick-<uid>, made 0700 when missing.
int OpenLockFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
    const int fd = OpenFolder(runtime);
    if (fd >= 0 && IsPrivateFolder(fd)) return fd;
    if (fd >= 0) ::close(fd);
  }
  const std::string fallback = "/tmp/plenwick-" + std::to_string(::geteuid());
  if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) return -1;
  const int fd = OpenFolder(fallback);
  if (fd >= 0 && IsPrivateFolder(fd)) return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

}  // namespace

bool SingleInstanceLock::Acquire() {
  if (IsHeld()) return true;
  const std::string file = WideToUtf8(name_) + ".lock";
  if (name_.empty() || file.find('/') != std::string::npos) return false;
  const int folder = OpenLockFolder();
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
