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
// The local wall-clock time of an instant given as seconds since 1970 (UTC) and its milliseconds.
LocalTime LocalTimeOf(int64_t secondsSince1970, int millisecond);

void SleepMilliseconds(uint32_t ms);

}  // namespace Platform
