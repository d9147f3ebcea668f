#pragma once
// A host without a display, for tests and for rendering layouts to images. Windows exist only in
// the core; they are drawn into bitmaps on request. Time is a clock the test moves: AdvanceTime
// steps it from timer deadline to timer deadline and handles what each step makes due.
//
// Inside a modal loop the host, when nothing is waiting, first runs the next action queued with
// WhenIdle (a test clicking a dialog's button), then moves the clock to the next timer; when
// neither exists it waits in real time for a post from another thread, and gives up with a
// WM_QUIT (exit code kStalled) after the stall limit, so a test never hangs.
//
//   HeadlessHost host;
//   MyWindow w; w.Create(nullptr, L"", WS_VISIBLE, 0);
//   host.Click(w, L"customeBtn");
//   host.AdvanceTime(90);
//   Bitmap shown = host.Render(w);

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "ui/framework/bitmap.h"
#include "ui/framework/host.h"
#include "ui/framework/window_base.h"

namespace SkinUI {

class ManualClock : public Clock {
 public:
  uint64_t NowMs() const override { return now_.load(); }
  void Set(uint64_t ms) { now_.store(ms); }
  void Advance(uint64_t ms) { now_.fetch_add(ms); }

 private:
  std::atomic<uint64_t> now_{1000};
};

class HeadlessHost : public Host {
 public:
  static constexpr int kStalled = -0x5717;

  // `screen` is the work area windows are centred in.
  explicit HeadlessHost(Rect screen = {0, 0, 1920, 1080});
  ~HeadlessHost() override;
  HeadlessHost(const HeadlessHost&) = delete;
  HeadlessHost& operator=(const HeadlessHost&) = delete;

  // --- driving windows, as a user would -------------------------------------------------
  // Handles everything already waiting on the UI thread's queue (posted messages, due timers).
  // Inside an action run by a modal loop (WhenIdle) it does nothing: the loop itself handles
  // what the action posted, so a close request reaches the loop that waits for it.
  void Pump();
  // Moves the clock forward by `ms`, stopping at every timer deadline on the way to handle it.
  void AdvanceTime(uint64_t ms);
  // Moves the mouse to the centre of the visible control `name` and clicks it; false when there
  // is no such visible control. The resulting messages are handled before it returns.
  bool Click(WindowBase& window, std::wstring_view name);
  bool ClickAt(WindowBase& window, Point client);
  bool MoveMouse(WindowBase& window, Point client);
  // A key press (WM_KEYDOWN, WM_CHAR for characters, WM_KEYUP) to the window with the focus.
  void PressKey(WindowBase& window, UINT virtualKey);
  // Focuses the edit `name` by clicking it and types `text` into it.
  bool TypeText(WindowBase& window, std::wstring_view name, std::wstring_view text);
  // Queues an action for the next time a modal loop finds nothing to do.
  void WhenIdle(std::function<void()> action);
  void SetAutoAdvance(bool on) { autoAdvance_ = on; }
  void SetStallLimit(uint32_t ms) { stallLimitMs_ = ms; }
  // The folder the next BrowseForFolder returns (nothing: the user cancels).
  void SetFolderToPick(std::optional<std::wstring> folder) { folderToPick_ = std::move(folder); }
  // A display without per-pixel alpha (no layered windows at all), or one that shows it but does
  // not blend windows now (no compositing manager: layered windows stay hidden). Both are on by
  // default.
  void SetLayeredWindowsSupported(bool on) { layeredSupported_ = on; }
  void SetCompositing(bool on) { compositing_ = on; }

  // --- reading what windows show ----------------------------------------------------------
  // The window's client area as drawn now; pixels outside its region are transparent.
  Bitmap Render(WindowBase& window);
  bool SavePng(WindowBase& window, const std::wstring& path);
  // The text of every visible control with text, in tree order.
  std::vector<std::wstring> VisibleTexts(WindowBase& window);
  // A window of this thread whose class name is `className`, the newest first.
  WindowBase* FindWindow(std::wstring_view className);
  // How often the window was rendered, and whether it has asked to be drawn since the last time.
  int RenderCount(HWND hwnd) const;
  bool NeedsRepaint(HWND hwnd) const;
  bool IsNativeModal(HWND hwnd) const;
  Rect NativeRect(HWND hwnd) const;
  const WindowRegion* NativeRegion(HWND hwnd) const;
  // Whether the window would be on screen: shown, and for a layered window also given a picture
  // and blended.
  bool IsShownNatively(HWND hwnd) const;
  // The last picture of a layered window (null for other windows), and how often it was given.
  const Bitmap* LayeredPicture(HWND hwnd) const;
  int LayeredUpdateCount(HWND hwnd) const;
  const std::wstring& FolderPickerTitle() const { return lastPickerTitle_; }

  ManualClock& TestClock() { return clock_; }

  // --- Host ------------------------------------------------------------------------------
  Clock& GetClock() override { return clock_; }
  bool CreateNativeWindow(HWND hwnd, HWND owner, const std::wstring& title) override;
  void DestroyNativeWindow(HWND hwnd) override;
  void ShowNativeWindow(HWND hwnd, bool show, bool activate) override;
  void SetNativeWindowRect(HWND hwnd, const Rect& screen) override;
  void SetNativeWindowRegion(HWND hwnd, const WindowRegion& region) override;
  void SetNativeModal(HWND hwnd, bool modal) override;
  void InvalidateNativeWindow(HWND hwnd, const Rect& client) override;
  void MinimizeNativeWindow(HWND hwnd) override;
  void BringNativeWindowToFront(HWND hwnd) override;
  Rect GetWorkArea(const Rect& near) override;
  bool SupportsLayeredWindows() override { return layeredSupported_; }
  bool CreateLayeredWindow(HWND hwnd, HWND owner) override;
  void UpdateLayeredWindow(HWND hwnd, const Rect& screen, const Bitmap& picture) override;
  void WaitForEvents(MessageQueue& queue, std::optional<uint32_t> timeoutMs) override;
  void Wake() override;
  std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& title) override;
  std::wstring GetClipboardText() override { return clipboard_; }
  void SetClipboardText(const std::wstring& text) override { clipboard_ = text; }

 private:
  struct NativeWindow {
    Rect rect;
    WindowRegion region;
    bool visible = false;
    bool modal = false;
    bool dirty = true;
    int renders = 0;
    bool layered = false;
    Bitmap picture;
    int pictureUpdates = 0;
  };
  void Post(WindowBase& window, UINT message, WPARAM wParam, LPARAM lParam);

  Host* previous_;
  Rect screen_;
  ManualClock clock_;
  // Native state of every window; UI thread only.
  std::map<HWND, NativeWindow> windows_;
  std::deque<std::function<void()>> idle_;
  bool inIdleAction_ = false;
  bool autoAdvance_ = true;
  uint32_t stallLimitMs_ = 10000;
  bool layeredSupported_ = true;
  bool compositing_ = true;
  std::optional<std::wstring> folderToPick_;
  std::wstring lastPickerTitle_;
  std::wstring clipboard_;
};

}  // namespace SkinUI
