#include "ui/framework/option.h"

#include "ui/framework/attribute_values.h"
#include "ui/framework/paint_manager.h"

namespace SkinUI {

COptionUI::COptionUI() = default;

COptionUI::~COptionUI() {
  if (!m_sGroupName.empty() && m_pManager) m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

std::wstring COptionUI::GetClass() const { return L"Option"; }

void* COptionUI::GetInterface(std::wstring_view name) {
  if (name == L"Option") return this;
  return CButtonUI::GetInterface(name);
}

void COptionUI::SetGroup(std::wstring_view group) {
  if (m_sGroupName == group) return;
  if (!m_sGroupName.empty() && m_pManager) m_pManager->RemoveOptionGroup(m_sGroupName, this);
  m_sGroupName = group;
  if (!m_sGroupName.empty() && m_pManager) m_pManager->AddOptionGroup(m_sGroupName, this);
  Selected(m_bSelected, false);
}

void COptionUI::SetManager(PaintManager* manager, CControlUI* parent) {
  if (!m_sGroupName.empty() && m_pManager && m_pManager != manager) m_pManager->RemoveOptionGroup(m_sGroupName, this);
  CButtonUI::SetManager(manager, parent);
  if (!m_sGroupName.empty() && m_pManager) m_pManager->AddOptionGroup(m_sGroupName, this);
}

void COptionUI::Selected(bool selected, bool triggerEvent) {
  if (m_bSelected == selected) return;
  m_bSelected = selected;
  if (selected) m_uButtonState |= UISTATE_SELECTED;
  else m_uButtonState &= ~UISTATE_SELECTED;
  if (m_pManager) {
    if (selected && !m_sGroupName.empty()) {
      if (const std::vector<CControlUI*>* group = m_pManager->GetOptionGroup(m_sGroupName)) {
        const std::vector<CControlUI*> members = *group;  // Selected may change the group's list
        for (CControlUI* member : members)
          if (member != this) static_cast<COptionUI*>(member)->Selected(false, triggerEvent);
      }
    }
    if (triggerEvent) m_pManager->SendNotify(this, kNotifySelectChanged);
  }
  Invalidate();
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  if (!m_sGroupName.empty()) Selected(true);
  else Selected(!m_bSelected);
  return true;
}

bool COptionUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"group") SetGroup(value);
  else if (name == L"selected") Selected(ParseBool(value));
  else if (name == L"selectedimage") m_sSelectedImage = value;
  else if (name == L"selectedhotimage") m_sSelectedHotImage = value;
  else if (name == L"selectedpushedimage") m_sSelectedPushedImage = value;
  else if (name == L"foreimage") m_sForeImage = value;
  else if (name == L"selectedtextcolor") m_dwSelectedTextColor = ParseColor(value);
  else if (name == L"selectedbkcolor") m_dwSelectedBkColor = ParseColor(value);
  else return CButtonUI::SetAttribute(name, value);
  Invalidate();
  return true;
}

void COptionUI::PaintBkColor(Canvas& canvas) {
  if (m_bSelected && m_dwSelectedBkColor) canvas.FillRect(m_rcItem, m_dwSelectedBkColor, m_cxyBorderRound);
  else CButtonUI::PaintBkColor(canvas);
}

void COptionUI::PaintStatusImage(Canvas& canvas) {
  bool drawn = false;
  if (m_bSelected) {
    if ((m_uButtonState & UISTATE_PUSHED) && !m_sSelectedPushedImage.empty()) drawn = DrawImage(canvas, m_sSelectedPushedImage);
    if (!drawn && (m_uButtonState & UISTATE_HOT) && !m_sSelectedHotImage.empty()) drawn = DrawImage(canvas, m_sSelectedHotImage);
    if (!drawn && !m_sSelectedImage.empty()) drawn = DrawImage(canvas, m_sSelectedImage);
  }
  if (!drawn) PaintButtonStateImage(canvas);
  if (!m_sForeImage.empty()) DrawImage(canvas, m_sForeImage);
}

void COptionUI::PaintText(Canvas& canvas) {
  const uint32_t color = (m_bSelected && m_dwSelectedTextColor && IsEnabled()) ? m_dwSelectedTextColor : StateTextColor();
  DrawLabelText(canvas, GetDisplayText(), color, m_rcItem.Deflate(m_rcTextPadding));
}

std::wstring CCheckBoxUI::GetClass() const { return L"CheckBox"; }

void* CCheckBoxUI::GetInterface(std::wstring_view name) {
  if (name == L"CheckBox") return this;
  return COptionUI::GetInterface(name);
}

}  // namespace SkinUI
