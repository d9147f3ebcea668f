#pragma once
// The tracker's send step after every tracked event: deferred events only count as pending;
// immediate ones flush the SDK's buffer while anything is pending. While the last send succeeded
// the step runs on the reporting thread; after a failure (and before the first send) it runs on a
// short-lived detached thread so a dead collector does not hold up the caller.
//
// Ownership: the tracker owns its SendScheduler. Detached send threads are counted in a gate they
// share with it; the scheduler's WaitForSenders (called first by the tracker's destructor) returns
// only when every one has finished its step, so none outlives the tracker. The gate's mutex
// guards its count; `pendingCount` is atomic; the process-wide send mutex serialises steps.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace plenwick::metrics {

class SendScheduler {
 public:
  explicit SendScheduler(std::atomic<int32_t>& pendingCount);
  ~SendScheduler();
  SendScheduler(const SendScheduler&) = delete;
  SendScheduler& operator=(const SendScheduler&) = delete;

  void RequestSend(bool immediate);
  void SendStep(bool immediate);
  // Blocks until no detached send thread is running.
  void WaitForSenders();
  // At shutdown: while records may be unsent, up to three flushes back to back.
  void FinalFlush();

 private:
  struct SenderGate {
    std::mutex mutex;
    std::condition_variable idle;
    int running = 0;
  };

  void StartDetachedSender(bool immediate);

  std::atomic<int32_t>& pendingCount_;
  std::shared_ptr<SenderGate> gate_ = std::make_shared<SenderGate>();
};

}  // namespace plenwick::metrics
