#include "platform/posix/runtime_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace Platform::Posix {
namespace {

// A real directory (not a link), owned by the user, closed to group and others.
bool IsPrivateFolder(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
         (st.st_mode & 0077) == 0;
}

// Opens `path` as a directory without following a symbolic link at its last component.
int OpenFolder(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int OpenIfPrivate(const std::string& path, std::string* out) {
  const int fd = OpenFolder(path);
  if (fd >= 0 && IsPrivateFolder(fd)) {
    if (out) *out = path;
    return fd;
  }
  if (fd >= 0) ::close(fd);
  return -1;
}

}  // namespace

int OpenPrivateRuntimeFolder(std::string* path) {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
    const int fd = OpenIfPrivate(runtime, path);
    if (fd >= 0) return fd;
  }
  const std::string fallback = "/tmp/plenwick-" + std::to_string(::geteuid());
  if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) return -1;
  return OpenIfPrivate(fallback, path);
}

}  // namespace Platform::Posix
