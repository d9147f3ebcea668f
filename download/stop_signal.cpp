#include "download/stop_signal.h"

#include <chrono>

void StopSignal::Raise() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    raised_.store(true, std::memory_order_release);
  }
  wake_.notify_all();
}

bool StopSignal::Pause(uint32_t ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Raised(); });
}
