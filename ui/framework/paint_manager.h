#pragma once
// The owner of one window's control tree: builds nothing itself but holds the root, finds
// controls by name, routes mouse, keyboard, focus and timer events to controls, delivers
// notifications to the window's notifiers (synchronously, or posted through the window's message
// queue), keeps the window attributes of the layout (size, caption, round corners, fonts, and
// unknown attributes as custom attributes) and paints the tree on a canvas.
//
// Everything here runs on the window's UI thread, except SendNotify(..., async = true), which any
// thread may call: it only posts a message.

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "ui/framework/canvas.h"
#include "ui/framework/control.h"
#include "ui/framework/events.h"
#include "ui/framework/font.h"
#include "ui/framework/messages.h"
#include "ui/framework/resources.h"
#include "ui/framework/window_region.h"

namespace SkinUI {

// Posted to a window to deliver an asynchronous notification (lParam: the TNotifyUI record).
inline constexpr UINT WM_SKINUI_ASYNC_NOTIFY = WM_APP + 0x7A00;

class PaintManager {
 public:
  PaintManager();
  ~PaintManager();
  PaintManager(const PaintManager&) = delete;
  PaintManager& operator=(const PaintManager&) = delete;

  void Init(HWND hwnd);
  HWND GetPaintWindow() const { return m_hWndPaint.load(); }
  // The window is gone: timers are dropped and nothing is posted any more.
  void Detach();

  // The control tree. AttachDialog takes ownership of `root` and initialises every control.
  bool AttachDialog(CControlUI* root);
  CControlUI* GetRoot() const { return m_pRoot.get(); }
  CControlUI* FindControl(std::wstring_view name) const;
  template <class T>
  T* FindControl(std::wstring_view name) const {
    return dynamic_cast<T*>(FindControl(name));
  }
  CControlUI* FindControl(Point point);
  // Registers a control attached after the tree was built (containers call it for added items).
  void InitControls(CControlUI* control);
  // Forgets a control being deleted: its name, timers, focus, capture and posted notifications.
  void ReapObjects(CControlUI* control);
  bool IsLiveControl(const CControlUI* control) const { return m_live.count(control) != 0; }

  // Notifications.
  void AddNotifier(INotifyUI* notifier);
  void RemoveNotifier(INotifyUI* notifier);
  void SendNotify(CControlUI* sender, std::wstring_view type, WPARAM wParam = 0, LPARAM lParam = 0,
                  bool async = false);
  void SendNotify(TNotifyUI& msg, bool async = false);

  // Filters that see the window's messages before dispatch (the keyboard filter of a frame).
  void AddPreMessageFilter(IMessageFilterUI* filter);
  void RemovePreMessageFilter(IMessageFilterUI* filter);
  bool PreMessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // Mouse, keyboard, focus, size, timer and posted-notification messages of the window.
  bool MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Per-control timers, delivered to the control as a Timer event (and by default raised as the
  // "timer" notification with wParam = id). Setting an existing id restarts it with the new period.
  bool SetTimer(CControlUI* control, UINT id, UINT elapseMs);
  bool KillTimer(CControlUI* control, UINT id);
  void KillTimer(CControlUI* control);
  void RemoveAllTimers();
  bool HasTimer(const CControlUI* control, UINT id) const;

  CControlUI* GetFocus() const { return m_pFocus; }
  void SetFocus(CControlUI* control);

  // Window attributes of the layout.
  Size GetInitSize() const { return m_szInitWindowSize; }
  void SetInitSize(int cx, int cy);
  const Rect& GetCaptionRect() const { return m_rcCaption; }
  void SetCaptionRect(const Rect& rc) { m_rcCaption = rc; }
  Size GetRoundCorner() const { return m_szRoundCorner; }
  void SetRoundCorner(int cx, int cy);
  Size GetMinInfo() const { return m_szMinWindow; }
  void SetMinInfo(int cx, int cy) { m_szMinWindow = {cx, cy}; }
  Size GetMaxInfo() const { return m_szMaxWindow; }
  void SetMaxInfo(int cx, int cy) { m_szMaxWindow = {cx, cy}; }
  // The window shape for the round corners at the current client size.
  WindowRegion GetWindowRegion() const;
  // Attributes of the layout's Window element that the framework does not know itself.
  void AddWindowCustomAttribute(std::wstring_view name, std::wstring_view value);
  const std::wstring* GetWindowCustomAttribute(std::wstring_view name) const;
  const std::vector<std::pair<std::wstring, std::wstring>>& GetWindowCustomAttributes() const {
    return m_customAttributes;
  }
  // Attribute lists applied to every element of a class before its own attributes (<Default>).
  void AddDefaultAttributeList(std::wstring_view className, std::wstring_view list);
  const std::wstring* GetDefaultAttributeList(std::wstring_view className) const;

  // Fonts by id; an unknown id gives the default font.
  void AddFont(int id, const FontInfo& font, bool isDefault);
  const FontInfo& GetFont(int id) const;
  const FontInfo& GetDefaultFont() const;
  uint32_t GetDefaultFontColor() const { return m_dwDefaultFontColor; }
  void SetDefaultFontColor(uint32_t c) { m_dwDefaultFontColor = c; }
  uint32_t GetDefaultDisabledColor() const { return m_dwDefaultDisabledColor; }
  void SetDefaultDisabledColor(uint32_t c) { m_dwDefaultDisabledColor = c; }
  Size MeasureText(std::wstring_view text, int fontId, uint32_t style, int maxWidth = 0) const;

  // Where this window's layout and images come from (set before the layout is built).
  void SetResourceSource(ResourceSource source) { m_resources = std::move(source); }
  const ResourceSource& GetResourceSource() const { return m_resources; }
  std::optional<std::string> LoadFile(std::wstring_view name) const { return Resources::ReadFile(m_resources, name); }
  // A decoded image of the window's resources; null when missing (drawn as nothing).
  std::shared_ptr<const Bitmap> GetImage(std::wstring_view name) const;

  // The numbered text table shared by every window of the process: a later text for an id
  // replaces the earlier one. Texts written "%{id}" in a layout show the table's text.
  static void AddMultiLanguageString(int id, std::wstring_view text);
  static const std::wstring* GetMultiLanguageString(int id);
  static std::wstring ResolveText(std::wstring_view text);

  // Option groups: selecting one member unselects the others.
  void AddOptionGroup(std::wstring_view group, CControlUI* control);
  void RemoveOptionGroup(std::wstring_view group, CControlUI* control);
  const std::vector<CControlUI*>* GetOptionGroup(std::wstring_view group) const;

  // Layout and painting. Layout is lazy: it runs before painting and hit tests when needed.
  Size GetClientSize() const { return m_szClient; }
  void SetClientSize(Size size);
  void NeedUpdate() { m_bUpdateNeeded = true; }
  void UpdateLayout();
  void Invalidate();
  void Invalidate(const Rect& rc);
  void Paint(Canvas& canvas, const Rect& dirty);

  // Problems met while building the layout (unknown elements or attributes), also logged.
  void AddBuildWarning(std::wstring text);
  const std::vector<std::wstring>& GetBuildWarnings() const { return m_buildWarnings; }

 private:
  struct TimerInfo {
    CControlUI* control;
    UINT localId;
    UINT nativeId;
  };
  void RegisterControl(CControlUI* control);
  void DeliverNotify(TNotifyUI& msg);
  void SetHot(CControlUI* control, Point pt);
  bool HandleMouse(UINT uMsg, WPARAM wParam, LPARAM lParam);
  bool HandleKey(UINT uMsg, WPARAM wParam, LPARAM lParam);
  bool OnTimer(WPARAM nativeId);
  bool IsInteractive(CControlUI* control) const;
  bool InCaption(Point pt) const;
  uint64_t Now() const;

  std::atomic<HWND> m_hWndPaint{nullptr};
  std::unique_ptr<CControlUI> m_pRoot;
  std::multimap<std::wstring, CControlUI*, std::less<>> m_names;
  std::unordered_set<const CControlUI*> m_live;
  std::vector<INotifyUI*> m_notifiers;
  std::vector<IMessageFilterUI*> m_preMessageFilters;
  std::vector<TimerInfo> m_timers;
  UINT m_nextTimerId = 0x1000;
  CControlUI* m_pFocus = nullptr;
  CControlUI* m_pEventHover = nullptr;
  CControlUI* m_pEventClick = nullptr;
  Size m_szClient;
  Size m_szInitWindowSize;
  Size m_szRoundCorner;
  Size m_szMinWindow;
  Size m_szMaxWindow;
  Rect m_rcCaption;
  std::vector<std::pair<std::wstring, std::wstring>> m_customAttributes;
  std::map<std::wstring, std::wstring, std::less<>> m_defaultAttributes;
  std::map<int, FontInfo> m_fonts;
  FontInfo m_defaultFont;
  uint32_t m_dwDefaultFontColor = 0xFF000000;
  uint32_t m_dwDefaultDisabledColor = 0xFFA7A6AA;
  std::map<std::wstring, std::vector<CControlUI*>, std::less<>> m_optionGroups;
  std::vector<std::wstring> m_buildWarnings;
  ResourceSource m_resources = Resources::DefaultSource();
  bool m_bUpdateNeeded = true;
  bool m_bDestroying = false;
};

}  // namespace SkinUI
