#pragma once
// A UI thread's message queue with the Win32 shape: messages posted from any thread, handled in
// order on the owning thread; WM_QUIT once the posted messages are done; per-window timers that
// produce WM_TIMER when nothing else waits. Waiting goes through the host so native events keep
// flowing; posting wakes the host.
//
// Ownership: one queue per UI thread, made on first use and living as long as the thread. The
// posted list and the quit flag are guarded by `mutex_` (posts come from worker threads); the
// timers are touched by the owning thread only.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "ui/framework/messages.h"

namespace SkinUI {

struct MSG {
  HWND hwnd = nullptr;
  UINT message = WM_NULL;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  uint64_t time = 0;
  // Keeps a record that lParam points to alive until the message is handled or dropped.
  std::shared_ptr<void> owned;
};

class MessageQueue {
 public:
  static MessageQueue& ForCurrentThread();

  MessageQueue() = default;
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // Any thread.
  void Post(MSG msg);
  void PostQuit(int exitCode);

  // Owning thread. The next message, waiting for one; false when it is WM_QUIT.
  bool GetMessage(MSG& out);
  // The next message without waiting (posted, then WM_QUIT, then a due timer); false when none.
  bool PeekMessage(MSG& out);
  bool HasPostedMessages() const;
  // Real-time wait for a post (the headless host's idle wait); true when something is waiting.
  bool WaitForPost(uint32_t timeoutMs);

  // Restarts an existing (hwnd, id) timer with the new period.
  void SetTimer(HWND hwnd, uintptr_t id, uint32_t elapseMs);
  bool KillTimer(HWND hwnd, uintptr_t id);
  void KillTimers(HWND hwnd);
  // When the earliest timer is due, on the host's clock.
  std::optional<uint64_t> NextTimerDue() const;
  // Forgets everything queued for `hwnd` (the window is gone).
  void DropMessagesFor(HWND hwnd);
  // Forgets everything (a host being torn down).
  void Clear();

 private:
  struct Timer {
    HWND hwnd;
    uintptr_t id;
    uint32_t period;
    uint64_t due;
  };
  bool TakePosted(MSG& out);
  bool TakeDueTimer(MSG& out);

  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<MSG> messages_;
  bool quitPending_ = false;
  int quitCode_ = 0;
  std::vector<Timer> timers_;
};

}  // namespace SkinUI
