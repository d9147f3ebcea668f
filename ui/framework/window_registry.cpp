#include "ui/framework/window_registry.h"

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include "ui/framework/host.h"
#include "ui/framework/window_base.h"

namespace SkinUI {
namespace {

struct Entry {
  WindowBase* window;
  MessageQueue* queue;
  std::thread::id thread;
};

// Every live window of the process. `mutex` guards `windows` and `nextHandle`; window objects are
// touched only on their own thread, the queue pointer by anyone posting. A queue lives as long as
// its UI thread, which outlives every worker that posts to its windows (owners join workers
// before their window goes).
struct Registry {
  std::mutex mutex;
  std::map<uintptr_t, Entry> windows;
  uintptr_t nextHandle = 0x10000;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::atomic<Host*> g_host{nullptr};

bool IsInputMessage(UINT m) {
  return (m >= WM_KEYDOWN && m <= WM_SYSKEYUP) || (m >= WM_MOUSEMOVE && m <= WM_MOUSEWHEEL);
}

uintptr_t Key(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }

}  // namespace

Host* CurrentHost() { return g_host.load(); }
void SetCurrentHost(Host* host) { g_host.store(host); }

HWND WindowRegistry::Register(WindowBase* window) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  const uintptr_t handle = r.nextHandle;
  r.nextHandle += 4;
  r.windows[handle] = Entry{window, &MessageQueue::ForCurrentThread(), std::this_thread::get_id()};
  return reinterpret_cast<HWND>(handle);
}

void WindowRegistry::Unregister(HWND hwnd) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.windows.erase(Key(hwnd));
}

bool IsWindow(HWND hwnd) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.windows.count(Key(hwnd)) != 0;
}

bool PostMessageOwned(HWND hwnd, UINT message, WPARAM wParam, std::shared_ptr<void> owned, LPARAM lParam) {
  Registry& r = TheRegistry();
  MessageQueue* queue = nullptr;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    const auto it = r.windows.find(Key(hwnd));
    if (it == r.windows.end()) return false;
    queue = it->second.queue;
  }
  Host* host = CurrentHost();
  const uint64_t now = host ? host->GetClock().NowMs() : SystemClock().NowMs();
  queue->Post(MSG{hwnd, message, wParam, lParam, now, std::move(owned)});
  return true;
}

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageOwned(hwnd, message, wParam, nullptr, lParam);
}

void PostQuitMessage(int exitCode) { MessageQueue::ForCurrentThread().PostQuit(exitCode); }

WindowBase* WindowFromHandle(HWND hwnd) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  const auto it = r.windows.find(Key(hwnd));
  if (it == r.windows.end() || it->second.thread != std::this_thread::get_id()) return nullptr;
  return it->second.window;
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowBase* window = WindowFromHandle(hwnd);
  return window ? window->HandleMessage(message, wParam, lParam) : 0;
}

bool TranslateMessage(const MSG& msg) {
  WindowBase* window = WindowFromHandle(msg.hwnd);
  if (!window) return false;
  if (IsInputMessage(msg.message) && !window->IsWindowEnabled()) return true;
  LRESULT result = 0;
  return window->GetPaintManager().PreMessageHandler(msg.message, msg.wParam, msg.lParam, result);
}

LRESULT DispatchMessage(const MSG& msg) {
  WindowBase* window = WindowFromHandle(msg.hwnd);
  return window ? window->HandleMessage(msg.message, msg.wParam, msg.lParam) : 0;
}

bool PumpPendingMessages() {
  MessageQueue& queue = MessageQueue::ForCurrentThread();
  MSG msg;
  while (queue.PeekMessage(msg)) {
    if (msg.message == WM_QUIT) {
      queue.PostQuit(static_cast<int>(msg.wParam));
      return false;
    }
    if (!TranslateMessage(msg)) DispatchMessage(msg);
  }
  return true;
}

std::vector<HWND> ThreadWindows() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  std::vector<HWND> out;
  for (const auto& [handle, entry] : r.windows)
    if (entry.thread == std::this_thread::get_id()) out.push_back(reinterpret_cast<HWND>(handle));
  return out;
}

}  // namespace SkinUI
