#pragma once
// A flag that ends a downloader's pauses early: raised once when the downloader is destroyed, read by
// every thread of its runs. Its mutex guards only the flag's wake-up; the flag itself is atomic.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class StopSignal {
 public:
  void Raise();
  bool Raised() const { return raised_.load(std::memory_order_acquire); }
  // Sleeps `ms` milliseconds or until the signal is raised. True when the full pause elapsed.
  bool Pause(uint32_t ms);

 private:
  std::atomic<bool> raised_{false};
  std::mutex mutex_;
  std::condition_variable wake_;
};
