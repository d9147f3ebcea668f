#include "ui/framework/message_queue.h"

#include <algorithm>

#include "platform/clock.h"
#include "ui/framework/host.h"

namespace SkinUI {
namespace {

class MonotonicClock : public Clock {
 public:
  uint64_t NowMs() const override { return Platform::MonotonicMilliseconds(); }
};

Clock& ActiveClock() {
  Host* host = CurrentHost();
  return host ? host->GetClock() : SystemClock();
}

}  // namespace

Clock& SystemClock() {
  static MonotonicClock clock;
  return clock;
}

MessageQueue& MessageQueue::ForCurrentThread() {
  thread_local MessageQueue queue;
  return queue;
}

void MessageQueue::Post(MSG msg) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(std::move(msg));
  }
  posted_.notify_all();
  if (Host* host = CurrentHost()) host->Wake();
}

void MessageQueue::PostQuit(int exitCode) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quitPending_ = true;
    quitCode_ = exitCode;
  }
  posted_.notify_all();
  if (Host* host = CurrentHost()) host->Wake();
}

bool MessageQueue::TakePosted(MSG& out) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!messages_.empty()) {
    out = std::move(messages_.front());
    messages_.pop_front();
    return true;
  }
  if (quitPending_) {
    quitPending_ = false;
    out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0, ActiveClock().NowMs(), nullptr};
    return true;
  }
  return false;
}

bool MessageQueue::TakeDueTimer(MSG& out) {
  const uint64_t now = ActiveClock().NowMs();
  auto due = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it)
    if (it->due <= now && (due == timers_.end() || it->due < due->due)) due = it;
  if (due == timers_.end()) return false;
  out = MSG{due->hwnd, WM_TIMER, static_cast<WPARAM>(due->id), 0, now, nullptr};
  // The next tick counts from this one's due time, so a clock stepped to each deadline ticks
  // exactly once per period; ticks missed while the thread was busy are not made up.
  due->due += due->period;
  if (due->due <= now) due->due = now + due->period;
  return true;
}

bool MessageQueue::PeekMessage(MSG& out) { return TakePosted(out) || TakeDueTimer(out); }

bool MessageQueue::GetMessage(MSG& out) {
  for (;;) {
    if (PeekMessage(out)) return out.message != WM_QUIT;
    std::optional<uint32_t> timeout;
    if (const std::optional<uint64_t> next = NextTimerDue()) {
      const uint64_t now = ActiveClock().NowMs();
      timeout = static_cast<uint32_t>(*next > now ? std::min<uint64_t>(*next - now, 0x7FFFFFFF) : 0);
    }
    if (Host* host = CurrentHost()) {
      host->WaitForEvents(*this, timeout);
    } else {
      // No host: only posts and timers can end the wait.
      WaitForPost(timeout ? *timeout : 1000);
    }
  }
}

bool MessageQueue::HasPostedMessages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !messages_.empty() || quitPending_;
}

bool MessageQueue::WaitForPost(uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return posted_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return !messages_.empty() || quitPending_; });
}

void MessageQueue::SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs) {
  const uint32_t period = std::max<uint32_t>(elapseMs, 1);
  const uint64_t due = ActiveClock().NowMs() + period;
  for (Timer& t : timers_) {
    if (t.hwnd == hwnd && t.id == id) {
      t.period = period;
      t.due = due;
      return;
    }
  }
  timers_.push_back({hwnd, id, period, due});
}

bool MessageQueue::KillTimer(HWND hwnd, uintptr_t id) {
  const auto it = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == timers_.end()) return false;
  timers_.erase(it);
  return true;
}

void MessageQueue::KillTimers(HWND hwnd) {
  std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd; });
}

std::optional<uint64_t> MessageQueue::NextTimerDue() const {
  std::optional<uint64_t> next;
  for (const Timer& t : timers_)
    if (!next || t.due < *next) next = t.due;
  return next;
}

void MessageQueue::DropMessagesFor(HWND hwnd) {
  KillTimers(hwnd);
  std::deque<MSG> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = messages_.begin(); it != messages_.end();) {
      if (it->hwnd == hwnd) {
        dropped.push_back(std::move(*it));
        it = messages_.erase(it);
      } else {
        ++it;
      }
    }
  }
  // `dropped` releases the owned records outside the lock.
}

void MessageQueue::Clear() {
  timers_.clear();
  std::deque<MSG> dropped;
  std::lock_guard<std::mutex> lock(mutex_);
  dropped.swap(messages_);
  quitPending_ = false;
}

}  // namespace SkinUI
