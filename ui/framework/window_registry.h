#pragma once
// Window handles and the Win32-style functions on them. Handles are numbers looked up here, so a
// handle of a window that is gone is simply invalid: posting to it fails, its queued messages are
// dropped. PostMessage and IsWindow may be called from any thread; the rest belong to the UI
// thread that created the window.

#include <vector>

#include "ui/framework/message_queue.h"
#include "ui/framework/messages.h"

namespace SkinUI {

class WindowBase;

// Any thread.
bool IsWindow(HWND hwnd);
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Posts with a record that lParam points to; the queue keeps `owned` alive until the message
// has been handled or dropped.
bool PostMessageOwned(HWND hwnd, UINT message, WPARAM wParam, std::shared_ptr<void> owned, LPARAM lParam);
void PostQuitMessage(int exitCode);

// UI thread.
WindowBase* WindowFromHandle(HWND hwnd);
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// The window's message filters see the message first; true when one consumed it. Input for a
// disabled window is consumed here, as the system never delivers it.
bool TranslateMessage(const MSG& msg);
LRESULT DispatchMessage(const MSG& msg);
// Handles every message already waiting on this thread's queue, without blocking. Stops at
// WM_QUIT, which stays posted for the loop that owns it; false then.
bool PumpPendingMessages();
// The windows of this thread in creation order.
std::vector<HWND> ThreadWindows();

namespace WindowRegistry {
HWND Register(WindowBase* window);
void Unregister(HWND hwnd);
}  // namespace WindowRegistry

}  // namespace SkinUI
