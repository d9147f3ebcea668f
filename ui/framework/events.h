#pragma once
// What flows through a window: events the paint manager hands to one control (mouse, keys, focus,
// timers) and notifications controls raise for the window's code ("click", "selectchanged", ...).

#include <cstdint>
#include <string>

#include "ui/framework/geometry.h"
#include "ui/framework/messages.h"

namespace SkinUI {

class CControlUI;

enum class EventType {
  MouseMove,
  MouseLeave,
  MouseEnter,
  ButtonDown,
  ButtonUp,
  DoubleClick,
  KeyDown,
  KeyUp,
  Char,
  SetFocus,
  KillFocus,
  Timer,
};

struct TEventUI {
  EventType Type = EventType::MouseMove;
  CControlUI* pSender = nullptr;
  uint64_t dwTimestamp = 0;
  Point ptMouse;
  wchar_t chKey = 0;      // the key's virtual code (KeyDown/KeyUp) or character (Char)
  WPARAM wKeyState = 0;   // MK_* bits
  WPARAM wParam = 0;      // the timer id for Timer
  LPARAM lParam = 0;
};

// Notification names the framework raises; windows may raise their own names too.
inline constexpr wchar_t kNotifyClick[] = L"click";
inline constexpr wchar_t kNotifySelectChanged[] = L"selectchanged";
inline constexpr wchar_t kNotifyTabSelect[] = L"tabselect";
inline constexpr wchar_t kNotifyItemSelect[] = L"itemselect";
inline constexpr wchar_t kNotifyTimer[] = L"timer";
inline constexpr wchar_t kNotifyTextChanged[] = L"textchanged";
inline constexpr wchar_t kNotifyReturn[] = L"return";
inline constexpr wchar_t kNotifySetFocus[] = L"setfocus";
inline constexpr wchar_t kNotifyKillFocus[] = L"killfocus";
inline constexpr wchar_t kNotifyWindowInit[] = L"windowinit";

struct TNotifyUI {
  std::wstring sType;
  CControlUI* pSender = nullptr;
  uint64_t dwTimestamp = 0;
  Point ptMouse;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class INotifyUI {
 public:
  virtual void Notify(TNotifyUI& msg) = 0;

 protected:
  ~INotifyUI() = default;
};

// Sees a window's messages before they are dispatched; setting bHandled consumes the message.
class IMessageFilterUI {
 public:
  virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;

 protected:
  ~IMessageFilterUI() = default;
};

// Asked by the layout builder for every element; null lets the framework build its own control.
class IDialogBuilderCallback {
 public:
  virtual CControlUI* CreateControl(const std::wstring& className) = 0;

 protected:
  ~IDialogBuilderCallback() = default;
};

}  // namespace SkinUI
