#include "platform/disk_space.h"

#include <sys/statvfs.h>

#include <cerrno>
#include <string>

#include "platform/codepage.h"
#include "platform/path.h"

namespace Platform {
namespace {

// The directory one level up; "/" and "." are their own parents.
std::string ParentOf(const std::string& path) {
  size_t end = path.find_last_not_of('/');
  if (end == std::string::npos) return "/";
  const size_t slash = path.rfind('/', end);
  if (slash == std::string::npos) return ".";
  const size_t keep = path.find_last_not_of('/', slash);
  return keep == std::string::npos ? "/" : path.substr(0, keep + 1);
}

}  // namespace

bool GetDiskFreeSpace(std::wstring_view directory, DiskSpace& space, long& error) {
  if (directory.empty()) {
    error = ENOENT;
    return false;
  }
  // The folder the installer is about to create does not exist yet: ask for the volume that
  // will hold it, the one of its nearest existing ancestor.
  std::string path = WideToAnsi(NativePath(directory));
  struct statvfs facts;
  for (;;) {
    if (::statvfs(path.c_str(), &facts) == 0) break;
    const std::string parent = ParentOf(path);
    if ((errno != ENOENT && errno != ENOTDIR) || parent == path) {
      error = errno;
      return false;
    }
    path = parent;
  }
  const uint64_t unit = facts.f_frsize ? facts.f_frsize : facts.f_bsize;
  space.freeBytesAvailable = static_cast<uint64_t>(facts.f_bavail) * unit;
  space.totalBytes = static_cast<uint64_t>(facts.f_blocks) * unit;
  space.totalFreeBytes = static_cast<uint64_t>(facts.f_bfree) * unit;
  return true;
}

}  // namespace Platform
