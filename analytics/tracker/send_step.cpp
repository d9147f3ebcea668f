#include "analytics/tracker/send_step.h"

#include <system_error>
#include <thread>

#include "analytics/sdk/sdk.h"
#include "analytics/sdk/send_state.h"
#include "platform/clock.h"
#include "platform/debug_output.h"

namespace plenwick::metrics {
namespace {

constexpr int kFlushAttempts = 3;

}  // namespace

SendScheduler::SendScheduler(std::atomic<int32_t>& pendingCount) : pendingCount_(pendingCount) {}

SendScheduler::~SendScheduler() { WaitForSenders(); }

void SendScheduler::RequestSend(bool immediate) {
  if (usage_analytics::LastSendSucceeded()) {
    SendStep(immediate);
    return;
  }
  Platform::OutputDebugText(L"[Metrics] Sending messages asynchronously");
  StartDetachedSender(immediate);
}

void SendScheduler::StartDetachedSender(bool immediate) {
  {
    std::lock_guard lock(gate_->mutex);
    ++gate_->running;
  }
  try {
    // The thread keeps its own share of the gate: after it has signalled the last step done it
    // touches nothing that the tracker owns.
    std::thread([this, immediate, gate = gate_] {
      SendStep(immediate);
      std::lock_guard lock(gate->mutex);
      --gate->running;
      gate->idle.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    {
      std::lock_guard lock(gate_->mutex);
      --gate_->running;
    }
    SendStep(immediate);  // no thread to be had: do the step here rather than lose it
  }
}

void SendScheduler::SendStep(bool immediate) {
  std::lock_guard lock(usage_analytics::SendMutex());
  if (!immediate) {
    // Deferred events wait in the buffer for the next immediate event or the final flush.
    pendingCount_.fetch_add(1);
    return;
  }
  for (int attempt = 0; attempt < kFlushAttempts && pendingCount_.load() > 0; ++attempt) {
    if (usage_analytics::Sdk::FlushAll()) {
      pendingCount_.exchange(0);
      return;
    }
    Platform::SleepMilliseconds(1);
  }
}

void SendScheduler::WaitForSenders() {
  std::unique_lock lock(gate_->mutex);
  gate_->idle.wait(lock, [&] { return gate_->running == 0; });
}

void SendScheduler::FinalFlush() {
  std::lock_guard lock(usage_analytics::SendMutex());
  for (int attempt = 0; attempt < kFlushAttempts && pendingCount_.load() > 0; ++attempt) {
    if (usage_analytics::Sdk::FlushAll()) pendingCount_.exchange(0);
  }
}

}  // namespace plenwick::metrics
