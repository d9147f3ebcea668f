#include "ui/framework/button.h"

#include "ui/framework/attribute_values.h"
#include "ui/framework/paint_manager.h"

namespace SkinUI {

CButtonUI::CButtonUI() { m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

std::wstring CButtonUI::GetClass() const { return L"Button"; }

void* CButtonUI::GetInterface(std::wstring_view name) {
  if (name == L"Button") return this;
  return CLabelUI::GetInterface(name);
}

bool CButtonUI::Activate() {
  if (!CControlUI::Activate()) return false;
  if (m_pManager) m_pManager->SendNotify(this, kNotifyClick);
  return true;
}

void CButtonUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case EventType::ButtonDown:
    case EventType::DoubleClick:
      if (m_rcItem.Contains(event.ptMouse) && IsEnabled()) {
        m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
        Invalidate();
      }
      return;
    case EventType::MouseMove:
      if (m_uButtonState & UISTATE_CAPTURED) {
        if (m_rcItem.Contains(event.ptMouse)) m_uButtonState |= UISTATE_PUSHED;
        else m_uButtonState &= ~UISTATE_PUSHED;
        Invalidate();
      }
      return;
    case EventType::ButtonUp:
      if (m_uButtonState & UISTATE_CAPTURED) {
        m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
        Invalidate();
        // Last: the click handler may run a modal loop or change this window entirely.
        if (m_rcItem.Contains(event.ptMouse)) Activate();
      }
      return;
    case EventType::MouseEnter:
      if (IsEnabled()) {
        m_uButtonState |= UISTATE_HOT;
        Invalidate();
      }
      return;
    case EventType::MouseLeave:
      m_uButtonState &= ~UISTATE_HOT;
      Invalidate();
      return;
    case EventType::KeyDown:
      if (IsKeyboardEnabled() && (event.chKey == VK_SPACE || event.chKey == VK_RETURN)) {
        Activate();
        return;
      }
      break;
    default:
      break;
  }
  CLabelUI::DoEvent(event);
}

void CButtonUI::SetNormalImage(std::wstring_view image) { m_sNormalImage = image; Invalidate(); }
void CButtonUI::SetHotImage(std::wstring_view image) { m_sHotImage = image; Invalidate(); }
void CButtonUI::SetPushedImage(std::wstring_view image) { m_sPushedImage = image; Invalidate(); }
void CButtonUI::SetFocusedImage(std::wstring_view image) { m_sFocusedImage = image; Invalidate(); }
void CButtonUI::SetDisabledImage(std::wstring_view image) { m_sDisabledImage = image; Invalidate(); }

bool CButtonUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"normalimage") SetNormalImage(value);
  else if (name == L"hotimage") SetHotImage(value);
  else if (name == L"pushedimage") SetPushedImage(value);
  else if (name == L"focusedimage") SetFocusedImage(value);
  else if (name == L"disabledimage") SetDisabledImage(value);
  else if (name == L"hotbkcolor") m_dwHotBkColor = ParseColor(value);
  else if (name == L"hottextcolor") m_dwHotTextColor = ParseColor(value);
  else if (name == L"pushedtextcolor") m_dwPushedTextColor = ParseColor(value);
  else if (name == L"focusedtextcolor") m_dwFocusedTextColor = ParseColor(value);
  else return CLabelUI::SetAttribute(name, value);
  return true;
}

bool CButtonUI::PaintButtonStateImage(Canvas& canvas) {
  if ((m_uButtonState & UISTATE_HOT) && m_dwHotBkColor) canvas.FillRect(m_rcItem, m_dwHotBkColor, m_cxyBorderRound);
  // The most specific image of the state first; a state image that is missing falls back to
  // the normal image, so a disabled button without its picture still shows.
  const std::wstring* candidates[2] = {nullptr, &m_sNormalImage};
  if (!IsEnabled()) candidates[0] = &m_sDisabledImage;
  else if (m_uButtonState & UISTATE_PUSHED) candidates[0] = &m_sPushedImage;
  else if (m_uButtonState & UISTATE_HOT) candidates[0] = &m_sHotImage;
  else if (IsFocused()) candidates[0] = &m_sFocusedImage;
  for (const std::wstring* image : candidates)
    if (image && !image->empty() && DrawImage(canvas, *image)) return true;
  return false;
}

void CButtonUI::PaintStatusImage(Canvas& canvas) { PaintButtonStateImage(canvas); }

uint32_t CButtonUI::StateTextColor() const {
  uint32_t color = m_dwTextColor;
  if (IsEnabled()) {
    if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor) color = m_dwPushedTextColor;
    else if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor) color = m_dwHotTextColor;
    else if (IsFocused() && m_dwFocusedTextColor) color = m_dwFocusedTextColor;
  }
  return EffectiveTextColor(color);
}

void CButtonUI::PaintText(Canvas& canvas) {
  DrawLabelText(canvas, GetDisplayText(), StateTextColor(), m_rcItem.Deflate(m_rcTextPadding));
}

}  // namespace SkinUI
