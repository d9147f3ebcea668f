#pragma once
// Where the SDK takes the current time and its pseudo-random numbers from. The system source is
// used unless a test installs its own, which makes records come out byte for byte the same.

#include <cstdint>

namespace usage_analytics {

class TimeSource {
 public:
  virtual ~TimeSource() = default;
  // UTC milliseconds since 1970.
  virtual int64_t NowMilliseconds() = 0;
  virtual void Seed(uint32_t seed) = 0;
  virtual uint32_t NextRandom() = 0;
};

TimeSource& CurrentTimeSource();
// Installs `source` for the whole process (nullptr restores the system source). The caller keeps
// it alive while installed and installs it while no record is being built.
void SetTimeSource(TimeSource* source);

// A fresh track identifier: two random digits, three random digits and the last four digits of
// the current millisecond time, read as one number (leading zeros vanish).
int64_t NewTrackId();

}  // namespace usage_analytics
