#include "utils/hard_disk_manager.h"

#include "app/log.h"
#include "platform/disk_space.h"

namespace Utils {

bool HardDiskManager::CheckFreeSpace(const std::wstring& directory) {
  Platform::DiskSpace space;
  long error = 0;
  if (!Platform::GetDiskFreeSpace(directory, space, error)) {
    WRITE_LOG(L"HardDiskManager::CheckFreeSpace FAIL code=%ld\r\n", error);
    return false;
  }
  freeBytesAvailable = space.freeBytesAvailable;
  totalBytes = space.totalBytes;
  totalFreeBytes = space.totalFreeBytes;
  return true;
}

}  // namespace Utils
