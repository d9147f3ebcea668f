#pragma once
// The host for real windows: GTK 3 as the native layer only. Every skinned window is one
// undecorated, app-paintable toplevel with an RGBA visual, drawn entirely by the framework on
// the cairo context GTK hands out; its shape follows the window region; dialogs are transient
// for their owner and modal while their loop runs. Mouse, keys, focus and close requests become
// Win32-style messages on the UI thread's queue. Waiting runs one GTK main-loop iteration, which
// a post from any thread ends early.
//
// Layered windows (drop shadows) are RGBA toplevels too, but they take no input (an empty input
// shape), never take focus, stay out of the task bar and pager and carry the DND type hint: the
// one window type that window managers and compositors leave undecorated, unfocused and without
// a shadow of their own, as they do for the image dragged under the pointer (a UTILITY window
// would be a focusable palette kept above its parent). One is mapped only while it should be
// shown, has a picture and the screen is composited; a compositing manager that starts or stops
// later maps or unmaps it. It is restacked just below its owner whenever either is shown or the
// owner is raised or focused.
//
// FIXME: text is typed through key events; an input-method context for composed (CJK) input
// is not attached yet.

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "ui/framework/host.h"

typedef struct _GtkWidget GtkWidget;

namespace SkinUI {

class GtkHost : public Host {
 public:
  // Opens the display (GTK's own rules: $DISPLAY); IsAvailable tells whether that worked.
  GtkHost();
  ~GtkHost() override;
  GtkHost(const GtkHost&) = delete;
  GtkHost& operator=(const GtkHost&) = delete;

  bool IsAvailable() const { return available_; }
  // Handles GTK events and the queue's messages until `done` holds or `timeoutMs` passes; true
  // when `done` held. For tests and start-up code outside a modal loop.
  bool RunUntil(const std::function<bool()>& done, uint32_t timeoutMs);
  // Where the system placed the native window and how big it is, in screen pixels.
  std::optional<Rect> NativeFrame(HWND hwnd) const;
  // True once the native window has been drawn at least once.
  bool HasDrawn(HWND hwnd) const;

  Clock& GetClock() override { return SystemClock(); }
  bool CreateNativeWindow(HWND hwnd, HWND owner, const std::wstring& title) override;
  void DestroyNativeWindow(HWND hwnd) override;
  void ShowNativeWindow(HWND hwnd, bool show, bool activate) override;
  void SetNativeWindowRect(HWND hwnd, const Rect& screen) override;
  void SetNativeWindowRegion(HWND hwnd, const WindowRegion& region) override;
  void SetNativeWindowTitle(HWND hwnd, const std::wstring& title) override;
  void SetNativeModal(HWND hwnd, bool modal) override;
  void InvalidateNativeWindow(HWND hwnd, const Rect& client) override;
  void MinimizeNativeWindow(HWND hwnd) override;
  void BringNativeWindowToFront(HWND hwnd) override;
  void BeginNativeMoveDrag(HWND hwnd, Point client) override;
  Rect GetWorkArea(const Rect& near) override;
  bool SupportsLayeredWindows() override;
  bool CreateLayeredWindow(HWND hwnd, HWND owner) override;
  void UpdateLayeredWindow(HWND hwnd, const Rect& screen, const Bitmap& picture) override;
  void WaitForEvents(MessageQueue& queue, std::optional<uint32_t> timeoutMs) override;
  void Wake() override;
  std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& title) override;
  std::wstring GetClipboardText() override;
  void SetClipboardText(const std::wstring& text) override;

  // The last mouse press, which a caption drag continues (GTK callbacks write it).
  struct Press {
    unsigned button = 0;
    int rootX = 0, rootY = 0;
    uint32_t time = 0;
  };
  void RememberPress(const Press& press) { lastPress_ = press; }

 private:
  struct Native {
    GtkWidget* widget = nullptr;
    bool drawn = false;
    // Layered windows only: their owner, whether the core shows them, what they show.
    bool layered = false;
    HWND owner = nullptr;
    bool wanted = false;
    Bitmap picture;
  };
  GtkWidget* WidgetOf(HWND hwnd) const;
  // Maps or unmaps a layered window as its wish, picture and the screen's blending allow.
  void ApplyLayeredVisibility(Native& native);
  void StackBelowOwner(const Native& native);
  void RestackLayeredWindowsOf(HWND owner);

  Host* previous_;
  bool available_ = false;
  // Native windows by handle; UI thread only (GTK calls back on it).
  std::map<HWND, Native> windows_;
  Press lastPress_;

  friend struct GtkHostCallbacks;
};

}  // namespace SkinUI
