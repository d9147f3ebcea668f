#include "ui/framework/control.h"

#include "ui/framework/attribute_values.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/resources.h"

namespace SkinUI {
namespace {

uint32_t ParseFloatAlign(std::wstring_view value) {
  uint32_t align = 0;
  for (std::wstring_view word : SplitWords(value)) {
    if (word == L"left") align |= FLOAT_LEFT;
    else if (word == L"center" || word == L"hcenter") align |= FLOAT_HCENTER;
    else if (word == L"right") align |= FLOAT_RIGHT;
    else if (word == L"top") align |= FLOAT_TOP;
    else if (word == L"vcenter") align |= FLOAT_VCENTER;
    else if (word == L"bottom") align |= FLOAT_BOTTOM;
  }
  return align;
}

}  // namespace

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
  if (m_pManager) m_pManager->ReapObjects(this);
}

std::wstring CControlUI::GetClass() const { return L"Control"; }

void* CControlUI::GetInterface(std::wstring_view name) {
  if (name == L"Control") return this;
  return nullptr;
}

void CControlUI::SetName(std::wstring_view name) { m_sName = name; }

void CControlUI::SetText(std::wstring_view text) {
  if (m_sText == text) return;
  m_sText = text;
  Invalidate();
}

void CControlUI::SetPos(const Rect& rc) {
  Rect r = rc;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  if (!(r == m_rcItem)) {
    // Both where it was and where it is now need drawing.
    Invalidate();
    m_rcItem = r;
    Invalidate();
  }
  m_bUpdateNeeded = false;
}

void CControlUI::SetPadding(const Rect& padding) {
  m_rcPadding = padding;
  NeedParentUpdate();
}

void CControlUI::SetFixedWidth(int cx) {
  if (cx < 0) return;
  m_cxyFixed.cx = cx;
  NeedParentUpdate();
}

void CControlUI::SetFixedHeight(int cy) {
  if (cy < 0) return;
  m_cxyFixed.cy = cy;
  NeedParentUpdate();
}

void CControlUI::SetMinWidth(int v) { if (v >= 0) { m_cxyMin.cx = v; NeedParentUpdate(); } }
void CControlUI::SetMaxWidth(int v) { if (v >= 0) { m_cxyMax.cx = v; NeedParentUpdate(); } }
void CControlUI::SetMinHeight(int v) { if (v >= 0) { m_cxyMin.cy = v; NeedParentUpdate(); } }
void CControlUI::SetMaxHeight(int v) { if (v >= 0) { m_cxyMax.cy = v; NeedParentUpdate(); } }

Size CControlUI::EstimateSize(Size) { return m_cxyFixed; }

void CControlUI::SetFloat(bool f) {
  m_bFloat = f;
  NeedParentUpdate();
}

void CControlUI::SetFloatAlign(uint32_t align) {
  m_floatAlign = align;
  NeedParentUpdate();
}

void CControlUI::SetVisible(bool visible) {
  if (m_bVisible == visible) return;
  const bool wasVisible = IsVisible();
  m_bVisible = visible;
  if (m_bFocused && !visible && m_pManager) m_pManager->SetFocus(nullptr);
  if (IsVisible() != wasVisible) NeedParentUpdate();
}

void CControlUI::SetInternVisible(bool visible) {
  m_bInternVisible = visible;
  if (!visible && m_bFocused && m_pManager) m_pManager->SetFocus(nullptr);
}

void CControlUI::SetEnabled(bool enabled) {
  if (m_bEnabled == enabled) return;
  m_bEnabled = enabled;
  if (!enabled && m_bFocused && m_pManager) m_pManager->SetFocus(nullptr);
  Invalidate();
}

void CControlUI::SetFocus() {
  if (m_pManager) m_pManager->SetFocus(this);
}

void CControlUI::SetBkColor(uint32_t color) {
  m_dwBackColor = color;
  Invalidate();
}

void CControlUI::SetBkImage(std::wstring_view image) {
  if (m_sBkImage == image) return;
  m_sBkImage = image;
  Invalidate();
}

void CControlUI::SetBorderColor(uint32_t color) {
  m_dwBorderColor = color;
  Invalidate();
}

void CControlUI::SetBorderSize(int size) {
  m_nBorderSize = size < 0 ? 0 : size;
  Invalidate();
}

void CControlUI::SetBorderRound(Size round) {
  m_cxyBorderRound = round;
  Invalidate();
}

bool CControlUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"pos") {
    const Rect rc = ParseRect(value);
    m_rcFloat = rc;
    m_cxyFixed = {rc.Width(), rc.Height()};
    NeedParentUpdate();
  } else if (name == L"padding") SetPadding(ParseRect(value));
  else if (name == L"bkcolor" || name == L"bkcolor1") SetBkColor(ParseColor(value));
  else if (name == L"bordercolor") SetBorderColor(ParseColor(value));
  else if (name == L"bordersize") SetBorderSize(ParseInt(value));
  else if (name == L"borderround") SetBorderRound(ParseSize(value));
  else if (name == L"bkimage") SetBkImage(value);
  else if (name == L"width") SetFixedWidth(ParseInt(value));
  else if (name == L"height") SetFixedHeight(ParseInt(value));
  else if (name == L"minwidth") SetMinWidth(ParseInt(value));
  else if (name == L"minheight") SetMinHeight(ParseInt(value));
  else if (name == L"maxwidth") SetMaxWidth(ParseInt(value));
  else if (name == L"maxheight") SetMaxHeight(ParseInt(value));
  else if (name == L"name") SetName(value);
  else if (name == L"text") SetText(value);
  else if (name == L"tooltip") SetToolTip(value);
  else if (name == L"userdata") SetUserData(value);
  else if (name == L"tag") SetTag(static_cast<uintptr_t>(ParseInt(value)));
  else if (name == L"enabled") SetEnabled(ParseBool(value));
  else if (name == L"mouse") SetMouseEnabled(ParseBool(value));
  else if (name == L"keyboard") m_bKeyboardEnabled = ParseBool(value);
  else if (name == L"visible") SetVisible(ParseBool(value));
  else if (name == L"float") SetFloat(ParseBool(value));
  else if (name == L"floatalign") SetFloatAlign(ParseFloatAlign(value));
  else return false;
  return true;
}

void CControlUI::SetManager(PaintManager* manager, CControlUI* parent) {
  m_pManager = manager;
  m_pParent = parent;
}

CControlUI* CControlUI::FindFirst(ControlVisitor visit, void* context) {
  return visit(this, context) ? this : nullptr;
}

CControlUI* CControlUI::FindControlAt(Point point) {
  if (!IsVisible() || !m_bMouseEnabled || !m_rcItem.Contains(point)) return nullptr;
  return this;
}

void CControlUI::DoEvent(TEventUI& event) {
  if (event.Type == EventType::SetFocus) {
    m_bFocused = true;
    Invalidate();
  } else if (event.Type == EventType::KillFocus) {
    m_bFocused = false;
    Invalidate();
  } else if (event.Type == EventType::Timer) {
    if (m_pManager) m_pManager->SendNotify(this, kNotifyTimer, event.wParam, event.lParam);
  } else if (m_pParent) {
    // Mouse and key events nobody here wants go to the parent (a label inside a button row).
    if (event.Type != EventType::MouseEnter && event.Type != EventType::MouseLeave) m_pParent->DoEvent(event);
  }
}

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

void CControlUI::DoPaint(Canvas& canvas, const Rect& dirty) {
  if (!dirty.Intersects(m_rcItem)) return;
  CanvasState state(canvas);
  canvas.ClipRect(m_rcItem);
  PaintBkColor(canvas);
  PaintBkImage(canvas);
  PaintStatusImage(canvas);
  PaintText(canvas);
  PaintBorder(canvas);
}

void CControlUI::PaintBkColor(Canvas& canvas) {
  if (m_dwBackColor != 0) canvas.FillRect(m_rcItem, m_dwBackColor, m_cxyBorderRound);
}

void CControlUI::PaintBkImage(Canvas& canvas) {
  if (!m_sBkImage.empty()) DrawImage(canvas, m_sBkImage);
}

void CControlUI::PaintBorder(Canvas& canvas) {
  if (m_nBorderSize > 0 && m_dwBorderColor != 0)
    canvas.StrokeRect(m_rcItem, m_dwBorderColor, m_nBorderSize, m_cxyBorderRound);
}

bool CControlUI::DrawImage(Canvas& canvas, std::wstring_view imageAttribute) {
  if (!m_pManager || imageAttribute.empty()) return false;
  const ImageAttribute image = ParseImageAttribute(imageAttribute);
  const std::shared_ptr<const Bitmap> bitmap = m_pManager->GetImage(image.file);
  if (!bitmap) return false;
  const Rect dest = image.dest ? image.dest->Offset(m_rcItem.left, m_rcItem.top) : m_rcItem;
  const Rect source = image.source ? *image.source : Rect{0, 0, bitmap->width, bitmap->height};
  canvas.DrawBitmap(*bitmap, dest, source, image.corner, image.fade, image.hole, image.xtiled, image.ytiled);
  return true;
}

void CControlUI::Invalidate() {
  if (m_pManager && IsVisible()) m_pManager->Invalidate(m_rcItem);
}

void CControlUI::NeedUpdate() {
  m_bUpdateNeeded = true;
  if (m_pManager) {
    m_pManager->NeedUpdate();
    m_pManager->Invalidate();
  }
}

void CControlUI::NeedParentUpdate() {
  if (m_pParent) m_pParent->NeedUpdate();
  else NeedUpdate();
}

}  // namespace SkinUI
