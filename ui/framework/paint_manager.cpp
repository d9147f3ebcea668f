#include "ui/framework/paint_manager.h"

#include <algorithm>

#include "app/log.h"
#include "ui/framework/attribute_values.h"
#include "ui/framework/host.h"
#include "ui/framework/message_queue.h"
#include "ui/framework/resources.h"
#include "ui/framework/window_registry.h"

namespace SkinUI {
namespace {

// The numbered texts of the process; UI thread only.
std::map<int, std::wstring>& TextTable() {
  static std::map<int, std::wstring> table;
  return table;
}

Point PointFromLParam(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

PaintManager::PaintManager() = default;

PaintManager::~PaintManager() {
  m_bDestroying = true;
  // The tree goes first, while everything its controls reach for still exists.
  m_pRoot.reset();
}

void PaintManager::Init(HWND hwnd) { m_hWndPaint.store(hwnd); }

void PaintManager::Detach() {
  RemoveAllTimers();
  m_hWndPaint.store(nullptr);
  m_pEventClick = m_pEventHover = nullptr;
}

bool PaintManager::AttachDialog(CControlUI* root) {
  if (!root) return false;
  // Replacing a tree drops the old one and whatever pointed into it.
  m_pFocus = m_pEventHover = m_pEventClick = nullptr;
  m_pRoot.reset(root);
  root->SetManager(this, nullptr);
  InitControls(root);
  NeedUpdate();
  return true;
}

void PaintManager::RegisterControl(CControlUI* control) {
  m_live.insert(control);
  if (!control->GetName().empty()) m_names.emplace(control->GetName(), control);
}

void PaintManager::InitControls(CControlUI* control) {
  std::vector<CControlUI*> added;
  control->FindFirst(
      [](CControlUI* c, void* list) {
        static_cast<std::vector<CControlUI*>*>(list)->push_back(c);
        return false;
      },
      &added);
  for (CControlUI* c : added) RegisterControl(c);
  // Initialised only once every control of the subtree can be found by name.
  for (CControlUI* c : added) c->DoInit();
}

void PaintManager::ReapObjects(CControlUI* control) {
  m_live.erase(control);
  for (auto it = m_names.begin(); it != m_names.end();) {
    if (it->second == control) it = m_names.erase(it);
    else ++it;
  }
  KillTimer(control);
  if (m_pFocus == control) m_pFocus = nullptr;
  if (m_pEventHover == control) m_pEventHover = nullptr;
  if (m_pEventClick == control) m_pEventClick = nullptr;
}

CControlUI* PaintManager::FindControl(std::wstring_view name) const {
  const auto it = m_names.find(name);
  return it == m_names.end() ? nullptr : it->second;
}

CControlUI* PaintManager::FindControl(Point point) {
  UpdateLayout();
  return m_pRoot ? m_pRoot->FindControlAt(point) : nullptr;
}

void PaintManager::AddNotifier(INotifyUI* notifier) {
  if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) == m_notifiers.end()) m_notifiers.push_back(notifier);
}

void PaintManager::RemoveNotifier(INotifyUI* notifier) { std::erase(m_notifiers, notifier); }

void PaintManager::SendNotify(CControlUI* sender, std::wstring_view type, WPARAM wParam, LPARAM lParam, bool async) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = sender;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, async);
}

void PaintManager::SendNotify(TNotifyUI& msg, bool async) {
  Host* host = CurrentHost();
  msg.dwTimestamp = host ? host->GetClock().NowMs() : SystemClock().NowMs();
  if (!async) {
    DeliverNotify(msg);
    return;
  }
  // Any thread may get here: only the message queue is touched.
  auto record = std::make_shared<TNotifyUI>(msg);
  TNotifyUI* raw = record.get();
  PostMessageOwned(m_hWndPaint.load(), WM_SKINUI_ASYNC_NOTIFY, 0, std::move(record), reinterpret_cast<LPARAM>(raw));
}

void PaintManager::DeliverNotify(TNotifyUI& msg) {
  // A notifier may remove itself (or others) while handling, so the list is copied.
  const std::vector<INotifyUI*> notifiers = m_notifiers;
  for (INotifyUI* notifier : notifiers) {
    if (std::find(m_notifiers.begin(), m_notifiers.end(), notifier) == m_notifiers.end()) continue;
    notifier->Notify(msg);
  }
}

void PaintManager::AddPreMessageFilter(IMessageFilterUI* filter) {
  if (std::find(m_preMessageFilters.begin(), m_preMessageFilters.end(), filter) == m_preMessageFilters.end())
    m_preMessageFilters.push_back(filter);
}

void PaintManager::RemovePreMessageFilter(IMessageFilterUI* filter) { std::erase(m_preMessageFilters, filter); }

bool PaintManager::PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const std::vector<IMessageFilterUI*> filters = m_preMessageFilters;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    result = filter->MessageHandler(uMsg, wParam, lParam, handled);
    if (handled) return true;
  }
  return false;
}

uint64_t PaintManager::Now() const {
  Host* host = CurrentHost();
  return host ? host->GetClock().NowMs() : SystemClock().NowMs();
}

bool PaintManager::InCaption(Point pt) const {
  // "caption" l,t,r,b: the band from t to b, inset by l and r from the sides; all zero is none.
  if (m_rcCaption.bottom <= m_rcCaption.top) return false;
  return pt.x >= m_rcCaption.left && pt.x < m_szClient.cx - m_rcCaption.right && pt.y >= m_rcCaption.top &&
         pt.y < m_rcCaption.bottom;
}

bool PaintManager::IsInteractive(CControlUI* control) const {
  return control && (control->GetInterface(L"Button") || control->GetInterface(L"Edit") || control->GetInterface(L"Combo"));
}

void PaintManager::SetHot(CControlUI* control, Point pt) {
  if (control == m_pEventHover) return;
  TEventUI event;
  event.ptMouse = pt;
  event.dwTimestamp = Now();
  if (m_pEventHover) {
    event.Type = EventType::MouseLeave;
    event.pSender = m_pEventHover;
    m_pEventHover->Event(event);
  }
  m_pEventHover = control;
  if (control && IsLiveControl(control)) {
    event.Type = EventType::MouseEnter;
    event.pSender = control;
    control->Event(event);
  }
}

bool PaintManager::HandleMouse(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  const Point pt = PointFromLParam(lParam);
  TEventUI event;
  event.ptMouse = pt;
  event.wKeyState = wParam;
  event.dwTimestamp = Now();
  switch (uMsg) {
    case WM_MOUSEMOVE: {
      CControlUI* hit = FindControl(pt);
      if (hit && !hit->IsEnabled()) hit = nullptr;
      SetHot(hit, pt);
      CControlUI* target = m_pEventClick ? m_pEventClick : m_pEventHover;
      if (target && IsLiveControl(target)) {
        event.Type = EventType::MouseMove;
        event.pSender = target;
        target->Event(event);
      }
      return true;
    }
    case WM_MOUSELEAVE:
      SetHot(nullptr, pt);
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      CControlUI* hit = FindControl(pt);
      if (hit && !hit->IsEnabled()) hit = nullptr;
      // The caption band outside buttons and edits moves the window.
      if (!IsInteractive(hit) && InCaption(pt)) {
        if (Host* host = CurrentHost()) host->BeginNativeMoveDrag(m_hWndPaint.load(), pt);
        return true;
      }
      if (!hit) return true;
      SetFocus(hit);
      m_pEventClick = hit;
      event.Type = uMsg == WM_LBUTTONDOWN ? EventType::ButtonDown : EventType::DoubleClick;
      event.pSender = hit;
      hit->Event(event);
      return true;
    }
    case WM_LBUTTONUP: {
      CControlUI* target = m_pEventClick;
      m_pEventClick = nullptr;
      if (!target || !IsLiveControl(target)) return true;
      event.Type = EventType::ButtonUp;
      event.pSender = target;
      target->Event(event);
      return true;
    }
    default:
      return false;
  }
}

bool PaintManager::HandleKey(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (!m_pFocus || !m_pFocus->IsKeyboardEnabled()) return true;
  TEventUI event;
  event.Type = uMsg == WM_CHAR ? EventType::Char : (uMsg == WM_KEYUP ? EventType::KeyUp : EventType::KeyDown);
  event.pSender = m_pFocus;
  event.chKey = static_cast<wchar_t>(wParam);
  event.lParam = lParam;
  event.dwTimestamp = Now();
  m_pFocus->Event(event);
  return true;
}

bool PaintManager::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (uMsg) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) SetClientSize({LOWORD(static_cast<uintptr_t>(lParam)), HIWORD(static_cast<uintptr_t>(lParam))});
      return true;
    case WM_TIMER:
      return OnTimer(wParam);
    case WM_SKINUI_ASYNC_NOTIFY: {
      auto* msg = reinterpret_cast<TNotifyUI*>(lParam);
      // The sender may have gone since the notification was posted.
      if (msg && (!msg->pSender || IsLiveControl(msg->pSender))) DeliverNotify(*msg);
      return true;
    }
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
      return HandleMouse(uMsg, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
      return HandleKey(uMsg, wParam, lParam);
    case WM_KILLFOCUS:
      m_pEventClick = nullptr;
      return true;
    case WM_ENABLE:
      if (!wParam) {
        m_pEventClick = nullptr;
        SetHot(nullptr, {});
      }
      return true;
    default:
      return false;
  }
}

bool PaintManager::SetTimer(CControlUI* control, UINT id, UINT elapseMs) {
  const HWND hwnd = m_hWndPaint.load();
  if (!control || !hwnd) return false;
  for (const TimerInfo& t : m_timers) {
    if (t.control == control && t.localId == id) {
      MessageQueue::ForCurrentThread().SetTimer(hwnd, t.nativeId, elapseMs);
      return true;
    }
  }
  const UINT nativeId = m_nextTimerId++;
  m_timers.push_back({control, id, nativeId});
  MessageQueue::ForCurrentThread().SetTimer(hwnd, nativeId, elapseMs);
  return true;
}

bool PaintManager::KillTimer(CControlUI* control, UINT id) {
  const auto it = std::find_if(m_timers.begin(), m_timers.end(),
                               [&](const TimerInfo& t) { return t.control == control && t.localId == id; });
  if (it == m_timers.end()) return false;
  if (const HWND hwnd = m_hWndPaint.load()) MessageQueue::ForCurrentThread().KillTimer(hwnd, it->nativeId);
  m_timers.erase(it);
  return true;
}

void PaintManager::KillTimer(CControlUI* control) {
  const HWND hwnd = m_hWndPaint.load();
  std::erase_if(m_timers, [&](const TimerInfo& t) {
    if (t.control != control) return false;
    if (hwnd) MessageQueue::ForCurrentThread().KillTimer(hwnd, t.nativeId);
    return true;
  });
}

void PaintManager::RemoveAllTimers() {
  if (const HWND hwnd = m_hWndPaint.load())
    for (const TimerInfo& t : m_timers) MessageQueue::ForCurrentThread().KillTimer(hwnd, t.nativeId);
  m_timers.clear();
}

bool PaintManager::HasTimer(const CControlUI* control, UINT id) const {
  return std::any_of(m_timers.begin(), m_timers.end(),
                     [&](const TimerInfo& t) { return t.control == control && t.localId == id; });
}

bool PaintManager::OnTimer(WPARAM nativeId) {
  const auto it = std::find_if(m_timers.begin(), m_timers.end(), [&](const TimerInfo& t) { return t.nativeId == nativeId; });
  if (it == m_timers.end()) return false;
  CControlUI* control = it->control;
  TEventUI event;
  event.Type = EventType::Timer;
  event.pSender = control;
  event.wParam = it->localId;
  event.dwTimestamp = Now();
  control->Event(event);
  return true;
}

void PaintManager::SetFocus(CControlUI* control) {
  if (control == m_pFocus) return;
  if (control && (!IsLiveControl(control) || !control->IsVisible() || !control->IsEnabled())) return;
  TEventUI event;
  event.dwTimestamp = Now();
  if (CControlUI* old = m_pFocus) {
    m_pFocus = nullptr;
    event.Type = EventType::KillFocus;
    event.pSender = old;
    old->Event(event);
  }
  m_pFocus = control;
  if (control) {
    event.Type = EventType::SetFocus;
    event.pSender = control;
    control->Event(event);
  }
}

void PaintManager::SetInitSize(int cx, int cy) { m_szInitWindowSize = {cx, cy}; }

void PaintManager::SetRoundCorner(int cx, int cy) { m_szRoundCorner = {cx, cy}; }

WindowRegion PaintManager::GetWindowRegion() const {
  return WindowRegion::RoundRect(m_szClient.cx, m_szClient.cy, m_szRoundCorner);
}

void PaintManager::AddWindowCustomAttribute(std::wstring_view name, std::wstring_view value) {
  for (auto& [n, v] : m_customAttributes) {
    if (n == name) {
      v = value;
      return;
    }
  }
  m_customAttributes.emplace_back(std::wstring(name), std::wstring(value));
}

const std::wstring* PaintManager::GetWindowCustomAttribute(std::wstring_view name) const {
  for (const auto& [n, v] : m_customAttributes)
    if (n == name) return &v;
  return nullptr;
}

void PaintManager::AddDefaultAttributeList(std::wstring_view className, std::wstring_view list) {
  m_defaultAttributes[ToLower(className)] = std::wstring(list);
}

const std::wstring* PaintManager::GetDefaultAttributeList(std::wstring_view className) const {
  const auto it = m_defaultAttributes.find(ToLower(className));
  return it == m_defaultAttributes.end() ? nullptr : &it->second;
}

void PaintManager::AddFont(int id, const FontInfo& font, bool isDefault) {
  m_fonts[id] = font;
  if (isDefault) m_defaultFont = font;
}

const FontInfo& PaintManager::GetFont(int id) const {
  const auto it = m_fonts.find(id);
  return it == m_fonts.end() ? GetDefaultFont() : it->second;
}

const FontInfo& PaintManager::GetDefaultFont() const {
  static const FontInfo fallback{L"微软雅黑", 12};
  if (!m_defaultFont.face.empty()) return m_defaultFont;
  return m_fonts.empty() ? fallback : m_fonts.begin()->second;
}

Size PaintManager::MeasureText(std::wstring_view text, int fontId, uint32_t style, int maxWidth) const {
  return SkinUI::MeasureText(text, GetFont(fontId), style, maxWidth);
}

std::shared_ptr<const Bitmap> PaintManager::GetImage(std::wstring_view name) const {
  return Resources::GetImage(m_resources, name);
}

void PaintManager::AddMultiLanguageString(int id, std::wstring_view text) { TextTable()[id] = std::wstring(text); }

const std::wstring* PaintManager::GetMultiLanguageString(int id) {
  const auto it = TextTable().find(id);
  return it == TextTable().end() ? nullptr : &it->second;
}

std::wstring PaintManager::ResolveText(std::wstring_view text) {
  if (text.size() < 4 || text.substr(0, 2) != L"%{" || text.back() != L'}') return std::wstring(text);
  const std::wstring_view digits = text.substr(2, text.size() - 3);
  if (digits.empty() || digits.find_first_not_of(L"0123456789") != std::wstring_view::npos) return std::wstring(text);
  const std::wstring* found = GetMultiLanguageString(ParseInt(digits));
  return found ? *found : std::wstring(text);
}

void PaintManager::AddOptionGroup(std::wstring_view group, CControlUI* control) {
  auto& members = m_optionGroups[std::wstring(group)];
  if (std::find(members.begin(), members.end(), control) == members.end()) members.push_back(control);
}

void PaintManager::RemoveOptionGroup(std::wstring_view group, CControlUI* control) {
  const auto it = m_optionGroups.find(group);
  if (it == m_optionGroups.end()) return;
  std::erase(it->second, control);
  if (it->second.empty()) m_optionGroups.erase(it);
}

const std::vector<CControlUI*>* PaintManager::GetOptionGroup(std::wstring_view group) const {
  const auto it = m_optionGroups.find(group);
  return it == m_optionGroups.end() ? nullptr : &it->second;
}

void PaintManager::SetClientSize(Size size) {
  if (size == m_szClient) return;
  m_szClient = size;
  NeedUpdate();
  Invalidate();
}

void PaintManager::UpdateLayout() {
  if (!m_pRoot) return;
  if (!m_bUpdateNeeded && !m_pRoot->IsUpdateNeeded()) return;
  m_bUpdateNeeded = false;
  m_pRoot->SetPos({0, 0, m_szClient.cx, m_szClient.cy});
}

void PaintManager::Invalidate() { Invalidate({0, 0, m_szClient.cx, m_szClient.cy}); }

void PaintManager::Invalidate(const Rect& rc) {
  if (m_bDestroying) return;
  const HWND hwnd = m_hWndPaint.load();
  if (Host* host = CurrentHost(); host && hwnd) host->InvalidateNativeWindow(hwnd, rc);
}

void PaintManager::Paint(Canvas& canvas, const Rect& dirty) {
  UpdateLayout();
  if (m_pRoot) m_pRoot->DoPaint(canvas, dirty);
}

void PaintManager::AddBuildWarning(std::wstring text) {
  WRITE_LOG(L"%s\r\n", text.c_str());
  m_buildWarnings.push_back(std::move(text));
}

}  // namespace SkinUI
