#pragma once
// Free and total space of the volume that holds a directory.

#include <cstdint>
#include <string_view>

namespace Platform {

struct DiskSpace {
  uint64_t freeBytesAvailable = 0;  // free and usable by the calling user
  uint64_t totalBytes = 0;
  uint64_t totalFreeBytes = 0;
};

// Fills `space` for the volume holding `directory`, which need not exist yet (on POSIX its nearest
// existing ancestor is asked). False with the system's error number in `error`; `space` is then
// left as it was.
bool GetDiskFreeSpace(std::wstring_view directory, DiskSpace& space, long& error);

}  // namespace Platform
