#include "analytics/sdk/time_source.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>

namespace usage_analytics {
namespace {

class SystemTimeSource final : public TimeSource {
 public:
  int64_t NowMilliseconds() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
  }
  void Seed(uint32_t seed) override {
    std::lock_guard lock(mutex_);
    engine_.seed(seed);
  }
  uint32_t NextRandom() override {
    std::lock_guard lock(mutex_);
    return static_cast<uint32_t>(engine_());
  }

 private:
  // Records are built on any reporting thread; the engine is shared by all of them.
  std::mutex mutex_;
  std::minstd_rand engine_;
};

SystemTimeSource& SystemSource() {
  static SystemTimeSource source;
  return source;
}

std::atomic<TimeSource*> installed{nullptr};

}  // namespace

TimeSource& CurrentTimeSource() {
  TimeSource* source = installed.load(std::memory_order_acquire);
  return source ? *source : SystemSource();
}

void SetTimeSource(TimeSource* source) { installed.store(source, std::memory_order_release); }

int64_t NewTrackId() {
  TimeSource& source = CurrentTimeSource();
  // (r % 99 + 100) keeps three digits, of which the last two are taken; likewise for r2.
  const int64_t r1 = (source.NextRandom() % 99 + 100) % 100;
  const int64_t r2 = (source.NextRandom() % 999 + 1000) % 1000;
  const int64_t t = source.NowMilliseconds() % 10000;
  return r1 * 10000000 + r2 * 10000 + t;
}

}  // namespace usage_analytics
