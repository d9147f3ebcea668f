#pragma once
// The base of every skinned window, in the shape of a Win32 window class: Create builds the
// native window and, while handling WM_CREATE, the layout named by the skin hooks; messages go
// through HandleMessage (own handlers, then HandleCustomMessage, then the paint manager);
// notifications reach Notify, clicks OnClick; the message filter sees keys first (Esc closes,
// unless a subclass keeps it).
//
//   class CMyWnd : public WindowBase {
//     std::wstring GetSkinFile() override { return L"MyWnd.xml"; }
//     void InitWindow() override { m_pm.FindControl<CLabelUI>(L"textLbl")->SetText(L"..."); }
//   };
//   CMyWnd w; w.Create(owner, L"title", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0);
//   w.CenterWindow(); UINT result = w.ShowModal();

#include <string>
#include <vector>

#include "ui/framework/events.h"
#include "ui/framework/geometry.h"
#include "ui/framework/messages.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/resources.h"

namespace SkinUI {

class WindowBase : public INotifyUI, public IMessageFilterUI, public IDialogBuilderCallback {
 public:
  WindowBase();
  virtual ~WindowBase();
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  HWND GetHWND() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // Creates the window (hidden unless `style` has WS_VISIBLE) and builds its layout. Null when
  // there is no host to show it.
  HWND Create(HWND owner, std::wstring_view title, uint32_t style, uint32_t exStyle, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT);
  void ShowWindow(bool show = true, bool takeFocus = true);
  // Shows the window, disables its owner and handles the thread's messages (of every window)
  // until this window is gone. Returns the wParam of the last WM_CLOSE addressed to it (0 when
  // it went without one). A WM_QUIT ends the loop and is posted again for the loops outside.
  UINT ShowModal();
  // Posts WM_CLOSE with `result`; by default the window then destroys itself.
  void Close(UINT result = IDOK);
  // Destroys the windows it owns, then itself (WM_DESTROY, then OnFinalMessage).
  bool DestroyWindow();
  // Centres on the owner (when it has one that is not minimised) or on the work area, and keeps
  // the window inside the work area.
  void CenterWindow();
  void SetIcon(UINT resourceId);

  LRESULT SendMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);
  bool PostMessage(UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0);

  // GWL_STYLE and GWL_EXSTYLE.
  uint32_t GetWindowLong(int index) const;
  void SetWindowLong(int index, uint32_t value);
  const std::wstring& GetTitle() const { return m_sTitle; }
  void SetTitle(std::wstring_view title);

  // Screen pixels.
  Rect GetWindowRect() const { return m_rcWindow; }
  Size GetClientSize() const { return {m_rcWindow.Width(), m_rcWindow.Height()}; }
  void MoveWindow(int x, int y, int cx, int cy);
  bool IsWindowVisible() const { return m_bVisible; }
  bool IsWindowEnabled() const { return m_bEnabled; }
  void EnableWindow(bool enable);
  bool IsMinimized() const { return m_bMinimized; }
  void Minimize();
  void Restore();
  void BringToFront();
  HWND GetOwner() const { return m_hWndOwner; }
  bool HasNativeFocus() const { return m_bFocused; }
  void SetNativeFocus();

  PaintManager& GetPaintManager() { return m_pm; }
  // Draws the window's client area (hosts call it when the native window needs pixels). Hooks
  // see it as WM_PAINT first.
  void Paint(Canvas& canvas, const Rect& dirty);

  // Sees the messages the window sends itself (moves, sizes, visibility, WM_DESTROY, and WM_PAINT
  // before each paint) ahead of the window's own handling, as a subclassed window procedure
  // would: a companion window that follows its owner. A hook removes itself before it goes; it
  // may do so while it is being called.
  class MessageHook {
   public:
    virtual void BeforeMessage(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam) = 0;

   protected:
    ~MessageHook() = default;
  };
  void AddMessageHook(MessageHook* hook);
  void RemoveMessageHook(MessageHook* hook);
  // Hosts report what the system did to the native window on its own: the user dragged it by
  // the caption, or minimised or restored it from the task bar.
  void NativeWindowMoved(Point topLeft);
  void NativeWindowMinimized(bool minimized);

  // Skin hooks: which layout to build and where it comes from.
  virtual std::wstring GetWindowClassName() const;
  virtual std::wstring GetSuperClassName() const { return {}; }
  virtual UINT GetClassStyle() const { return 0; }
  virtual std::wstring GetSkinFolder() { return {}; }
  virtual std::wstring GetSkinFile() { return {}; }
  virtual int GetResourceType() const { return UILIB_FILE; }
  virtual int GetResourceID() const { return 0; }

  // Called once the layout is built and attached.
  virtual void InitWindow() {}
  // The last call for a window that is gone.
  virtual void OnFinalMessage(HWND hwnd) {}
  // Notifications of this window's controls; by default a "click" goes to OnClick.
  void Notify(TNotifyUI& msg) override;
  // By default "closebtn" closes with IDOK and "minbtn" minimises.
  virtual void OnClick(TNotifyUI& msg);

  virtual LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam);
  virtual LRESULT HandleCustomMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  // The window's message filter (before dispatch): Return and Esc go to ResponseDefaultKeyEvent.
  LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  // Esc closes the window with IDOK; true when the key was used.
  virtual bool ResponseDefaultKeyEvent(WPARAM key);
  CControlUI* CreateControl(const std::wstring& className) override { return nullptr; }

  virtual LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnDestroy(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);
  virtual LRESULT OnSysCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled);

 protected:
  // The default handling of a message nobody took: WM_CLOSE destroys the window.
  LRESULT DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);
  // Builds the layout of the skin hooks; false when its resource or layout is missing.
  bool BuildSkin();
  void UpdateRegion();

  PaintManager m_pm;

 private:
  void Teardown(bool notify);
  void RunMessageHooks(UINT uMsg, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;
  HWND m_hWndOwner = nullptr;
  std::wstring m_sTitle;
  uint32_t m_dwStyle = 0;
  uint32_t m_dwExStyle = 0;
  Rect m_rcWindow;
  bool m_bVisible = false;
  bool m_bEnabled = true;
  bool m_bMinimized = false;
  bool m_bFocused = false;
  std::vector<MessageHook*> m_hooks;
};

}  // namespace SkinUI
