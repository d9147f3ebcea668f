#pragma once
// What the core asks of the system it runs on: native windows to show its pictures in, waiting
// for native events, a clock, and the few system dialogs and services a window needs (folder
// picker, clipboard). One host serves the process at a time: the GTK host for real windows, the
// headless host for tests and rendering. The core keeps every window's state; a host only
// mirrors it natively and feeds native input back as messages through the message queue.

#include <cstdint>
#include <optional>
#include <string>

#include "ui/framework/bitmap.h"
#include "ui/framework/geometry.h"
#include "ui/framework/messages.h"
#include "ui/framework/window_region.h"

namespace SkinUI {

class MessageQueue;

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds that never go backwards.
  virtual uint64_t NowMs() const = 0;
};

// The system's monotonic clock.
Clock& SystemClock();

class Host {
 public:
  virtual ~Host() = default;

  virtual Clock& GetClock() = 0;

  // Native windows; UI thread only. `hwnd` is the core's handle of the window.
  virtual bool CreateNativeWindow(HWND hwnd, HWND owner, const std::wstring& title) = 0;
  virtual void DestroyNativeWindow(HWND hwnd) = 0;
  virtual void ShowNativeWindow(HWND hwnd, bool show, bool activate) = 0;
  // Position and size in screen pixels.
  virtual void SetNativeWindowRect(HWND hwnd, const Rect& screen) = 0;
  virtual void SetNativeWindowRegion(HWND hwnd, const WindowRegion& region) = 0;
  virtual void SetNativeWindowTitle(HWND hwnd, const std::wstring& title) {}
  // A dialog running its modal loop over its owner.
  virtual void SetNativeModal(HWND hwnd, bool modal) {}
  virtual void InvalidateNativeWindow(HWND hwnd, const Rect& client) = 0;
  virtual void MinimizeNativeWindow(HWND hwnd) = 0;
  virtual void BringNativeWindowToFront(HWND hwnd) = 0;
  // The user pressed the mouse on the caption: let the system move the window.
  virtual void BeginNativeMoveDrag(HWND hwnd, Point screen) {}
  // The area windows may cover on the monitor showing `near` (screen pixels).
  virtual Rect GetWorkArea(const Rect& near) = 0;

  // Layered windows: a native window that only shows one picture with per-pixel alpha, takes no
  // input and no focus, and stays just below its owner (a drop shadow). Shown, moved and
  // destroyed with the calls above. While the display does not blend windows (no compositing
  // manager) a layered window stays hidden rather than showing its transparent parts black; it
  // appears once blending starts.
  // Whether the display can show per-pixel alpha at all.
  virtual bool SupportsLayeredWindows() { return false; }
  virtual bool CreateLayeredWindow(HWND hwnd, HWND owner) { return false; }
  // Places the layered window at `screen` and shows `picture` (premultiplied ARGB, the size of
  // `screen`) in it, both at once.
  virtual void UpdateLayeredWindow(HWND hwnd, const Rect& screen, const Bitmap& picture) {}

  // Blocks the UI thread until a message may be waiting in `queue`, native events have been
  // handled, or `timeoutMs` has passed (no timeout: until something happens).
  virtual void WaitForEvents(MessageQueue& queue, std::optional<uint32_t> timeoutMs) = 0;
  // Ends a WaitForEvents early; any thread.
  virtual void Wake() = 0;

  // The folder picker; nothing when the user cancels.
  virtual std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& title) = 0;
  virtual std::wstring GetClipboardText() = 0;
  virtual void SetClipboardText(const std::wstring& text) = 0;
};

// The host serving the process; null before one exists. Hosts install themselves on
// construction and remove themselves on destruction.
Host* CurrentHost();
void SetCurrentHost(Host* host);

}  // namespace SkinUI
