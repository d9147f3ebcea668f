#pragma once
// Globally unique identifiers (random, version 4).

#include <cstdint>

namespace Platform {

struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};

// False only when the system could not supply random bytes.
bool CreateGuid(Guid& out);

}  // namespace Platform
