#include "tools/sample-package/file_io.h"

#include <unistd.h>

#include <cerrno>

namespace SamplePackage {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

bool ReadExactly(int fd, uint64_t offset, size_t size, char* into) {
  size_t done = 0;
  while (done < size) {
    const ssize_t got = pread(fd, into + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

}  // namespace SamplePackage
