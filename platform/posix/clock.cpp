#include "platform/clock.h"

#include <time.h>

#include <cerrno>

namespace Platform {

uint64_t MonotonicMilliseconds() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

LocalTime GetLocalTime() {
  timespec ts;
  ::clock_gettime(CLOCK_REALTIME, &ts);
  tm parts;
  ::localtime_r(&ts.tv_sec, &parts);
  return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                   parts.tm_min,         parts.tm_sec,     static_cast<int>(ts.tv_nsec / 1000000)};
}

LocalTime LocalTimeOf(int64_t secondsSince1970, int millisecond) {
  const time_t seconds = static_cast<time_t>(secondsSince1970);
  tm parts{};
  ::localtime_r(&seconds, &parts);
  return LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                   parts.tm_min,         parts.tm_sec,     millisecond};
}

void SleepMilliseconds(uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace Platform
