#pragma once
// Free space of the volume that holds a directory.

#include <cstdint>
#include <string>

namespace Utils {

class HardDiskManager {
 public:
  virtual ~HardDiskManager() = default;

  // Fills the three fields for the volume holding `directory` (which need not exist yet).
  // False when the system cannot tell; the fields are then left as they were and the failure is
  // logged.
  bool CheckFreeSpace(const std::wstring& directory);

  uint64_t freeBytesAvailable = 0;  // free and usable by the calling user
  uint64_t totalBytes = 0;
  uint64_t totalFreeBytes = 0;
};

}  // namespace Utils
