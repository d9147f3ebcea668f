#pragma once
// The base of every control: name, text, position and size rules, visibility, enabling, focus,
// user data, background colour and image, border; attribute parsing; event entry; painting in
// named steps (background colour, background image, state image, text, border).
//
// A control belongs to the container that holds it (which deletes it) and is attached to one
// paint manager, which routes events to it and forgets it when it is deleted.

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/framework/canvas.h"
#include "ui/framework/events.h"
#include "ui/framework/geometry.h"
#include "ui/framework/image_attribute.h"

namespace SkinUI {

class PaintManager;

// Visual state bits of interactive controls.
inline constexpr uint32_t UISTATE_FOCUSED = 0x01;
inline constexpr uint32_t UISTATE_HOT = 0x02;
inline constexpr uint32_t UISTATE_PUSHED = 0x04;
inline constexpr uint32_t UISTATE_SELECTED = 0x08;
inline constexpr uint32_t UISTATE_DISABLED = 0x10;
inline constexpr uint32_t UISTATE_CAPTURED = 0x40;

// Placement of a floating control inside its parent (the "floatalign" attribute).
inline constexpr uint32_t FLOAT_LEFT = 0x01;
inline constexpr uint32_t FLOAT_HCENTER = 0x02;
inline constexpr uint32_t FLOAT_RIGHT = 0x04;
inline constexpr uint32_t FLOAT_TOP = 0x10;
inline constexpr uint32_t FLOAT_VCENTER = 0x20;
inline constexpr uint32_t FLOAT_BOTTOM = 0x40;

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  // The layout element name of the class ("Control", "Label", ...).
  virtual std::wstring GetClass() const;
  // This control as the named class, or null: a checked downcast by class name.
  virtual void* GetInterface(std::wstring_view name);

  const std::wstring& GetName() const { return m_sName; }
  void SetName(std::wstring_view name);
  virtual std::wstring GetText() const { return m_sText; }
  virtual void SetText(std::wstring_view text);
  const std::wstring& GetToolTip() const { return m_sToolTip; }
  void SetToolTip(std::wstring_view text) { m_sToolTip = text; }
  const std::wstring& GetUserData() const { return m_sUserData; }
  void SetUserData(std::wstring_view data) { m_sUserData = data; }
  uintptr_t GetTag() const { return m_tag; }
  void SetTag(uintptr_t tag) { m_tag = tag; }

  // Position in window client pixels, as the last layout pass placed it.
  const Rect& GetPos() const { return m_rcItem; }
  virtual void SetPos(const Rect& rc);
  // Outer margin used by the parent layout.
  const Rect& GetPadding() const { return m_rcPadding; }
  void SetPadding(const Rect& padding);
  // 0 means "take what the parent layout gives".
  int GetFixedWidth() const { return m_cxyFixed.cx; }
  void SetFixedWidth(int cx);
  int GetFixedHeight() const { return m_cxyFixed.cy; }
  void SetFixedHeight(int cy);
  int GetMinWidth() const { return m_cxyMin.cx; }
  int GetMaxWidth() const { return m_cxyMax.cx; }
  int GetMinHeight() const { return m_cxyMin.cy; }
  int GetMaxHeight() const { return m_cxyMax.cy; }
  void SetMinWidth(int v);
  void SetMaxWidth(int v);
  void SetMinHeight(int v);
  void SetMaxHeight(int v);
  // The size this control asks of its parent layout (0 in a dimension: flexible).
  virtual Size EstimateSize(Size available);

  // A floating control is placed by its "pos" (relative to the parent) instead of the layout flow.
  bool IsFloat() const { return m_bFloat; }
  void SetFloat(bool f);
  const Rect& GetFloatPos() const { return m_rcFloat; }
  uint32_t GetFloatAlign() const { return m_floatAlign; }
  void SetFloatAlign(uint32_t align);

  virtual bool IsVisible() const { return m_bVisible && m_bInternVisible; }
  virtual void SetVisible(bool visible = true);
  // Visibility given by the parent (a hidden parent hides its children).
  virtual void SetInternVisible(bool visible = true);
  virtual bool IsEnabled() const { return m_bEnabled; }
  virtual void SetEnabled(bool enabled = true);
  bool IsMouseEnabled() const { return m_bMouseEnabled; }
  void SetMouseEnabled(bool enabled) { m_bMouseEnabled = enabled; }
  bool IsKeyboardEnabled() const { return m_bKeyboardEnabled; }
  virtual bool IsFocused() const { return m_bFocused; }
  virtual void SetFocus();

  uint32_t GetBkColor() const { return m_dwBackColor; }
  void SetBkColor(uint32_t color);
  const std::wstring& GetBkImage() const { return m_sBkImage; }
  void SetBkImage(std::wstring_view image);
  uint32_t GetBorderColor() const { return m_dwBorderColor; }
  void SetBorderColor(uint32_t color);
  int GetBorderSize() const { return m_nBorderSize; }
  void SetBorderSize(int size);
  Size GetBorderRound() const { return m_cxyBorderRound; }
  void SetBorderRound(Size round);

  // One layout attribute. False (and a warning in the manager's build report) when the name is
  // not an attribute of this class.
  virtual bool SetAttribute(std::wstring_view name, std::wstring_view value);

  PaintManager* GetManager() const { return m_pManager; }
  CControlUI* GetParent() const { return m_pParent; }
  // Attaches this control (and a container's children) to `manager` under `parent`.
  virtual void SetManager(PaintManager* manager, CControlUI* parent);
  // Called once after the control is attached and registered, before the first layout.
  virtual void DoInit() {}

  // Visits this control and, for containers, every descendant (pre-order); stops when `visit` returns true.
  using ControlVisitor = bool (*)(CControlUI* control, void* context);
  virtual CControlUI* FindFirst(ControlVisitor visit, void* context);
  // The top-most visible, mouse-enabled control under `point`, or null.
  virtual CControlUI* FindControlAt(Point point);

  // Events from the paint manager.
  void Event(TEventUI& event) { DoEvent(event); }
  virtual void DoEvent(TEventUI& event);
  // Raises the control's main action ("click" for a button); false when hidden or disabled.
  virtual bool Activate();

  virtual void DoPaint(Canvas& canvas, const Rect& dirty);
  virtual void PaintBkColor(Canvas& canvas);
  virtual void PaintBkImage(Canvas& canvas);
  virtual void PaintStatusImage(Canvas& canvas) {}
  virtual void PaintText(Canvas& canvas) {}
  virtual void PaintBorder(Canvas& canvas);

  void Invalidate();
  bool IsUpdateNeeded() const { return m_bUpdateNeeded; }
  void NeedUpdate();
  void NeedParentUpdate();

 protected:
  // Draws an image attribute relative to this control; false when the file is missing.
  bool DrawImage(Canvas& canvas, std::wstring_view imageAttribute);

  PaintManager* m_pManager = nullptr;
  CControlUI* m_pParent = nullptr;
  std::wstring m_sName;
  std::wstring m_sText;
  std::wstring m_sToolTip;
  std::wstring m_sUserData;
  uintptr_t m_tag = 0;
  Rect m_rcItem;
  Rect m_rcPadding;
  Rect m_rcFloat;
  Size m_cxyFixed;
  Size m_cxyMin;
  Size m_cxyMax{9999, 9999};
  uint32_t m_floatAlign = 0;
  bool m_bFloat = false;
  bool m_bVisible = true;
  bool m_bInternVisible = true;
  bool m_bEnabled = true;
  bool m_bMouseEnabled = true;
  bool m_bKeyboardEnabled = true;
  bool m_bFocused = false;
  bool m_bUpdateNeeded = true;
  uint32_t m_dwBackColor = 0;
  uint32_t m_dwBorderColor = 0;
  int m_nBorderSize = 0;
  Size m_cxyBorderRound;
  std::wstring m_sBkImage;
};

}  // namespace SkinUI
