#include "ui/framework/window_base.h"

#include <algorithm>

#include "app/log.h"
#include "platform/environment.h"
#include "platform/path.h"
#include "ui/framework/dialog_builder.h"
#include "ui/framework/host.h"
#include "ui/framework/window_registry.h"

namespace SkinUI {

WindowBase::WindowBase() = default;

WindowBase::~WindowBase() { Teardown(false); }

std::wstring WindowBase::GetWindowClassName() const { return L"SkinUIWindow"; }

HWND WindowBase::Create(HWND owner, std::wstring_view title, uint32_t style, uint32_t exStyle, int x, int y, int cx,
                        int cy) {
  Host* host = CurrentHost();
  if (!host || m_hWnd) return m_hWnd;
  m_hWndOwner = IsWindow(owner) ? owner : nullptr;
  m_sTitle = title;
  m_dwStyle = style & ~WS_VISIBLE;
  m_dwExStyle = exStyle;
  const Rect work = host->GetWorkArea({});
  const int left = x == CW_USEDEFAULT ? work.left : x;
  const int top = y == CW_USEDEFAULT ? work.top : y;
  m_rcWindow = {left, top, left + (cx == CW_USEDEFAULT ? 0 : cx), top + (cy == CW_USEDEFAULT ? 0 : cy)};
  m_hWnd = WindowRegistry::Register(this);
  const bool created = (exStyle & WS_EX_LAYERED) ? host->CreateLayeredWindow(m_hWnd, m_hWndOwner)
                                                 : host->CreateNativeWindow(m_hWnd, m_hWndOwner, m_sTitle);
  if (!created) {
    WRITE_LOG(L"the host could not create a window for %s\r\n", GetWindowClassName().c_str());
    WindowRegistry::Unregister(m_hWnd);
    m_hWnd = nullptr;
    return nullptr;
  }
  host->SetNativeWindowRect(m_hWnd, m_rcWindow);
  SendMessage(WM_CREATE, 0, 0);
  if (m_hWnd && (style & WS_VISIBLE)) ShowWindow(true, true);
  return m_hWnd;
}

bool WindowBase::BuildSkin() {
  const std::wstring folder = GetSkinFolder();
  const std::wstring path = Platform::IsAbsolutePath(folder)
                                ? folder
                                : Platform::JoinPath(Platform::DirectoryOf(Platform::ModuleFileName()), folder);
  Resources::SetResourcePath(path);
  m_pm.SetResourceSource({GetResourceType(), path});
  if (GetResourceType() == UILIB_ZIPRESOURCE && !Resources::LoadPackageResource(L"ZIPRES", GetResourceID())) {
    WRITE_LOG(L"skin resource %d is missing\r\n", GetResourceID());
    return false;
  }
  DialogBuilder builder;
  CControlUI* root = builder.Create(GetSkinFile(), this, &m_pm);
  if (!root) {
    WRITE_LOG(L"layout %s could not be built\r\n", GetSkinFile().c_str());
    return false;
  }
  m_pm.AttachDialog(root);
  return true;
}

LRESULT WindowBase::OnCreate(UINT, WPARAM, LPARAM, bool& bHandled) {
  m_pm.Init(m_hWnd);
  m_pm.AddPreMessageFilter(this);
  m_pm.AddNotifier(this);
  // A window without a layout still exists, it only shows nothing.
  if (BuildSkin()) {
    const Size size = m_pm.GetInitSize();
    if (size.cx > 0 && size.cy > 0) MoveWindow(m_rcWindow.left, m_rcWindow.top, size.cx, size.cy);
  }
  m_pm.SetClientSize(GetClientSize());
  UpdateRegion();
  InitWindow();
  return 0;
}

void WindowBase::UpdateRegion() {
  if (Host* host = CurrentHost(); host && m_hWnd) host->SetNativeWindowRegion(m_hWnd, m_pm.GetWindowRegion());
}

void WindowBase::ShowWindow(bool show, bool takeFocus) {
  if (!m_hWnd) return;
  Host* host = CurrentHost();
  if (m_bVisible != show) {
    m_bVisible = show;
    if (host) host->ShowNativeWindow(m_hWnd, show, takeFocus);
    SendMessage(WM_SHOWWINDOW, show ? 1 : 0, 0);
  }
  if (show && takeFocus) SetNativeFocus();
}

UINT WindowBase::ShowModal() {
  if (!m_hWnd) return 0;
  const HWND self = m_hWnd;
  const HWND owner = m_hWndOwner;
  UINT result = 0;
  ShowWindow(true, true);
  if (Host* host = CurrentHost()) host->SetNativeModal(self, true);
  if (WindowBase* o = WindowFromHandle(owner)) o->EnableWindow(false);
  MessageQueue& queue = MessageQueue::ForCurrentThread();
  MSG msg;
  bool quit = false;
  while (IsWindow(self)) {
    if (!queue.GetMessage(msg)) {
      quit = true;
      break;
    }
    if (msg.message == WM_CLOSE && msg.hwnd == self) {
      result = static_cast<UINT>(msg.wParam);
      if (WindowBase* o = WindowFromHandle(owner)) {
        o->EnableWindow(true);
        o->SetNativeFocus();
      }
    }
    if (!TranslateMessage(msg)) DispatchMessage(msg);
  }
  // The owner is never left disabled, however this window went.
  if (WindowBase* o = WindowFromHandle(owner)) {
    o->EnableWindow(true);
    o->SetNativeFocus();
  }
  if (quit) queue.PostQuit(static_cast<int>(msg.wParam));
  return result;
}

void WindowBase::Close(UINT result) { PostMessage(WM_CLOSE, result, 0); }

bool WindowBase::DestroyWindow() {
  if (!m_hWnd) return false;
  Teardown(true);
  return true;
}

void WindowBase::Teardown(bool notify) {
  if (!m_hWnd) return;
  const HWND self = m_hWnd;
  // Owned windows go first, the newest first, as the system destroys them with their owner.
  std::vector<HWND> windows = ThreadWindows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    WindowBase* w = WindowFromHandle(*it);
    if (w && w != this && w->m_hWndOwner == self) w->DestroyWindow();
  }
  if (notify) SendMessage(WM_DESTROY, 0, 0);
  m_pm.RemoveAllTimers();
  m_pm.Detach();
  MessageQueue::ForCurrentThread().DropMessagesFor(self);
  if (Host* host = CurrentHost()) host->DestroyNativeWindow(self);
  WindowRegistry::Unregister(self);
  m_hWnd = nullptr;
  m_bVisible = false;
  if (notify) OnFinalMessage(self);
}

void WindowBase::CenterWindow() {
  Host* host = CurrentHost();
  if (!m_hWnd || !host) return;
  const int w = m_rcWindow.Width(), h = m_rcWindow.Height();
  Rect around = m_rcWindow;
  WindowBase* owner = WindowFromHandle(m_hWndOwner);
  if (owner && owner->IsWindowVisible() && !owner->IsMinimized()) around = owner->GetWindowRect();
  const Rect work = host->GetWorkArea(around);
  const Rect centre = (owner && owner->IsWindowVisible() && !owner->IsMinimized()) ? around : work;
  int x = centre.left + (centre.Width() - w) / 2;
  int y = centre.top + (centre.Height() - h) / 2;
  x = std::max(work.left, std::min(x, work.right - w));
  y = std::max(work.top, std::min(y, work.bottom - h));
  MoveWindow(x, y, w, h);
}

void WindowBase::SetIcon(UINT) {
  // FIXME: the icon resource 145 is not carried by the skin package yet; windows keep the
  // toolkit's default icon.
}

LRESULT WindowBase::SendMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (!m_hWnd) return 0;
  RunMessageHooks(uMsg, wParam, lParam);
  return m_hWnd ? HandleMessage(uMsg, wParam, lParam) : 0;
}

void WindowBase::AddMessageHook(MessageHook* hook) {
  if (hook && std::find(m_hooks.begin(), m_hooks.end(), hook) == m_hooks.end()) m_hooks.push_back(hook);
}

void WindowBase::RemoveMessageHook(MessageHook* hook) { std::erase(m_hooks, hook); }

void WindowBase::RunMessageHooks(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  // A copy, since a hook may remove itself (or another) while it runs.
  const std::vector<MessageHook*> hooks = m_hooks;
  for (MessageHook* hook : hooks)
    if (std::find(m_hooks.begin(), m_hooks.end(), hook) != m_hooks.end()) hook->BeforeMessage(m_hWnd, uMsg, wParam, lParam);
}

bool WindowBase::PostMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return SkinUI::PostMessage(m_hWnd, uMsg, wParam, lParam);
}

uint32_t WindowBase::GetWindowLong(int index) const {
  if (index == GWL_STYLE) return m_dwStyle | (m_bVisible ? WS_VISIBLE : 0) | (m_bEnabled ? 0 : WS_DISABLED);
  if (index == GWL_EXSTYLE) return m_dwExStyle;
  return 0;
}

void WindowBase::SetWindowLong(int index, uint32_t value) {
  if (index == GWL_STYLE) m_dwStyle = value & ~(WS_VISIBLE | WS_DISABLED);
  else if (index == GWL_EXSTYLE) m_dwExStyle = value;
}

void WindowBase::SetTitle(std::wstring_view title) {
  m_sTitle = title;
  if (Host* host = CurrentHost(); host && m_hWnd) host->SetNativeWindowTitle(m_hWnd, m_sTitle);
}

void WindowBase::MoveWindow(int x, int y, int cx, int cy) {
  if (!m_hWnd) return;
  const Rect before = m_rcWindow;
  m_rcWindow = {x, y, x + std::max(cx, 0), y + std::max(cy, 0)};
  if (Host* host = CurrentHost()) host->SetNativeWindowRect(m_hWnd, m_rcWindow);
  if (before.Width() != m_rcWindow.Width() || before.Height() != m_rcWindow.Height()) {
    SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(m_rcWindow.Width(), m_rcWindow.Height()));
    UpdateRegion();
  }
  if (before.left != m_rcWindow.left || before.top != m_rcWindow.top)
    SendMessage(WM_MOVE, 0, MAKELPARAM(m_rcWindow.left, m_rcWindow.top));
}

void WindowBase::EnableWindow(bool enable) {
  if (m_bEnabled == enable) return;
  m_bEnabled = enable;
  SendMessage(WM_ENABLE, enable ? 1 : 0, 0);
}

void WindowBase::Minimize() {
  if (!m_hWnd || m_bMinimized) return;
  m_bMinimized = true;
  if (Host* host = CurrentHost()) host->MinimizeNativeWindow(m_hWnd);
  SendMessage(WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(m_rcWindow.Width(), m_rcWindow.Height()));
}

void WindowBase::Restore() {
  if (!m_hWnd || !m_bMinimized) return;
  m_bMinimized = false;
  if (Host* host = CurrentHost()) host->ShowNativeWindow(m_hWnd, true, true);
  SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(m_rcWindow.Width(), m_rcWindow.Height()));
}

void WindowBase::BringToFront() {
  if (Host* host = CurrentHost(); host && m_hWnd) host->BringNativeWindowToFront(m_hWnd);
}

void WindowBase::SetNativeFocus() {
  if (!m_hWnd) return;
  for (HWND h : ThreadWindows())
    if (WindowBase* w = WindowFromHandle(h)) w->m_bFocused = (w == this);
  BringToFront();
}

void WindowBase::Paint(Canvas& canvas, const Rect& dirty) {
  RunMessageHooks(WM_PAINT, 0, 0);
  m_pm.Paint(canvas, dirty);
}

void WindowBase::NativeWindowMoved(Point topLeft) {
  if (!m_hWnd || (topLeft.x == m_rcWindow.left && topLeft.y == m_rcWindow.top)) return;
  m_rcWindow = m_rcWindow.Offset(topLeft.x - m_rcWindow.left, topLeft.y - m_rcWindow.top);
  SendMessage(WM_MOVE, 0, MAKELPARAM(m_rcWindow.left, m_rcWindow.top));
}

void WindowBase::NativeWindowMinimized(bool minimized) {
  if (!m_hWnd || m_bMinimized == minimized) return;
  m_bMinimized = minimized;
  SendMessage(WM_SIZE, minimized ? SIZE_MINIMIZED : SIZE_RESTORED, MAKELPARAM(m_rcWindow.Width(), m_rcWindow.Height()));
}

void WindowBase::Notify(TNotifyUI& msg) {
  if (msg.sType == kNotifyClick) OnClick(msg);
}

void WindowBase::OnClick(TNotifyUI& msg) {
  if (!msg.pSender) return;
  const std::wstring& name = msg.pSender->GetName();
  if (name == L"closebtn") Close(IDOK);
  else if (name == L"minbtn") SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

LRESULT WindowBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) {
  if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) bHandled = ResponseDefaultKeyEvent(wParam);
  return 0;
}

bool WindowBase::ResponseDefaultKeyEvent(WPARAM key) {
  if (key == VK_ESCAPE) {
    Close(IDOK);
    return true;
  }
  return false;
}

LRESULT WindowBase::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowBase::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowBase::OnSysCommand(UINT, WPARAM wParam, LPARAM, bool& bHandled) {
  switch (wParam & 0xFFF0) {
    case SC_CLOSE: SendMessage(WM_CLOSE, IDOK, 0); return 0;
    case SC_MINIMIZE: Minimize(); return 0;
    case SC_RESTORE: Restore(); return 0;
    default: bHandled = false; return 0;
  }
}

LRESULT WindowBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  bool handled = true;
  switch (uMsg) {
    case WM_CREATE: result = OnCreate(uMsg, wParam, lParam, handled); break;
    case WM_CLOSE: result = OnClose(uMsg, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroy(uMsg, wParam, lParam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommand(uMsg, wParam, lParam, handled); break;
    default: handled = false; break;
  }
  if (handled) return result;
  result = HandleCustomMessage(uMsg, wParam, lParam, handled);
  if (handled) return result;
  if (m_pm.MessageHandler(uMsg, wParam, lParam, result)) return result;
  return DefWindowProc(uMsg, wParam, lParam);
}

LRESULT WindowBase::DefWindowProc(UINT uMsg, WPARAM, LPARAM) {
  if (uMsg == WM_CLOSE) DestroyWindow();
  return 0;
}

}  // namespace SkinUI
