#include "ui/framework/combo.h"

#include "ui/framework/attribute_values.h"
#include "ui/framework/paint_manager.h"

namespace SkinUI {

std::wstring CListLabelElementUI::GetClass() const { return L"ListLabelElement"; }

void* CListLabelElementUI::GetInterface(std::wstring_view name) {
  if (name == L"ListLabelElement") return this;
  return CLabelUI::GetInterface(name);
}

bool CListLabelElementUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"selected") {
    m_bSelected = ParseBool(value);
    return true;
  }
  return CLabelUI::SetAttribute(name, value);
}

CComboUI::CComboUI() = default;

std::wstring CComboUI::GetClass() const { return L"Combo"; }

void* CComboUI::GetInterface(std::wstring_view name) {
  if (name == L"Combo") return this;
  return CContainerUI::GetInterface(name);
}

std::wstring CComboUI::GetText() const {
  const CControlUI* item = GetItemAt(m_iCurSel);
  return item ? item->GetText() : std::wstring();
}

void CComboUI::DoInit() {
  // The layout's preselected item is taken without an event.
  for (int i = 0; i < GetCount(); ++i) {
    auto* element = dynamic_cast<CListLabelElementUI*>(GetItemAt(i));
    if (element && element->IsSelectedInitially()) m_iCurSel = i;
  }
}

bool CComboUI::SelectItem(int index, bool takeFocus, bool triggerEvent) {
  if (index < 0 || index >= GetCount()) return false;
  if (takeFocus) SetFocus();
  if (index == m_iCurSel) return true;
  const int previous = m_iCurSel;
  m_iCurSel = index;
  Invalidate();
  if (triggerEvent && m_pManager) m_pManager->SendNotify(this, kNotifyItemSelect, static_cast<WPARAM>(index), previous);
  return true;
}

bool CComboUI::Activate() {
  if (!CControlUI::Activate() || GetCount() == 0) return false;
  SelectItem((m_iCurSel + 1) % GetCount());
  return true;
}

void CComboUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case EventType::ButtonDown:
      if (IsEnabled() && m_rcItem.Contains(event.ptMouse)) {
        m_uState |= UISTATE_PUSHED | UISTATE_CAPTURED;
        Invalidate();
      }
      return;
    case EventType::ButtonUp:
      if (m_uState & UISTATE_CAPTURED) {
        m_uState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
        Invalidate();
        if (m_rcItem.Contains(event.ptMouse)) Activate();
      }
      return;
    case EventType::MouseEnter: m_uState |= UISTATE_HOT; Invalidate(); return;
    case EventType::MouseLeave: m_uState &= ~UISTATE_HOT; Invalidate(); return;
    case EventType::KeyDown:
      if (event.chKey == VK_DOWN) { SelectItem(std::min(m_iCurSel + 1, GetCount() - 1)); return; }
      if (event.chKey == VK_UP) { SelectItem(std::max(m_iCurSel - 1, 0)); return; }
      break;
    default:
      break;
  }
  CContainerUI::DoEvent(event);
}

bool CComboUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"normalimage") m_sNormalImage = value;
  else if (name == L"hotimage") m_sHotImage = value;
  else if (name == L"pushedimage") m_sPushedImage = value;
  else if (name == L"disabledimage") m_sDisabledImage = value;
  else if (name == L"textpadding") m_rcTextPadding = ParseRect(value);
  else if (name == L"font" || name == L"itemfont") m_iFont = ParseInt(value, -1);
  else if (name == L"textcolor" || name == L"itemtextcolor") m_dwTextColor = ParseColor(value);
  else return CContainerUI::SetAttribute(name, value);
  Invalidate();
  return true;
}

void CComboUI::SetPos(const Rect& rc) { CControlUI::SetPos(rc); }

CControlUI* CComboUI::FindControlAt(Point point) { return CControlUI::FindControlAt(point); }

void CComboUI::DoPaint(Canvas& canvas, const Rect& dirty) { CControlUI::DoPaint(canvas, dirty); }

void CComboUI::PaintStatusImage(Canvas& canvas) {
  const std::wstring* image = &m_sNormalImage;
  if (!IsEnabled() && !m_sDisabledImage.empty()) image = &m_sDisabledImage;
  else if ((m_uState & UISTATE_PUSHED) && !m_sPushedImage.empty()) image = &m_sPushedImage;
  else if ((m_uState & UISTATE_HOT) && !m_sHotImage.empty()) image = &m_sHotImage;
  if (!image->empty() && !DrawImage(canvas, *image) && !m_sNormalImage.empty()) DrawImage(canvas, m_sNormalImage);
}

void CComboUI::PaintText(Canvas& canvas) {
  if (!m_pManager) return;
  const std::wstring text = PaintManager::ResolveText(GetText());
  if (text.empty()) return;
  const uint32_t color = !IsEnabled() ? m_pManager->GetDefaultDisabledColor()
                                      : (m_dwTextColor ? m_dwTextColor : m_pManager->GetDefaultFontColor());
  canvas.DrawText(text, m_rcItem.Deflate(m_rcTextPadding), m_pManager->GetFont(m_iFont), color,
                  DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

}  // namespace SkinUI
