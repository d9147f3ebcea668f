#pragma once
// Time: a monotonic millisecond clock and the local wall-clock time.

#include <cstdint>

namespace Platform {

// Milliseconds since an arbitrary start, never going backwards (timeGetTime / GetTickCount).
uint64_t MonotonicMilliseconds();

struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};
LocalTime GetLocalTime();

void SleepMilliseconds(uint32_t ms);

}  // namespace Platform
