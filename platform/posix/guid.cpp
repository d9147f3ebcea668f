#include "platform/guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>

namespace Platform {

bool CreateGuid(Guid& out) {
  uint8_t bytes[16];
  size_t got = 0;
  while (got < sizeof(bytes)) {
    const ssize_t n = ::getrandom(bytes + got, sizeof(bytes) - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    got += static_cast<size_t>(n);
  }
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  out.data1 = static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
              static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
  out.data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
  out.data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
  std::memcpy(out.data4, bytes + 8, 8);
  return true;
}

}  // namespace Platform
