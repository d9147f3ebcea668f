#include "ui/framework/tab_layout.h"

#include "ui/framework/attribute_values.h"
#include "ui/framework/paint_manager.h"

namespace SkinUI {

std::wstring CTabLayoutUI::GetClass() const { return L"TabLayout"; }

void* CTabLayoutUI::GetInterface(std::wstring_view name) {
  if (name == L"TabLayout") return this;
  return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"selectedid") {
    m_iInitialSel = ParseInt(value);
    return true;
  }
  return CContainerUI::SetAttribute(name, value);
}

void CTabLayoutUI::DoInit() {
  // The layout's initial page is shown without an event: nothing has changed yet.
  if (GetCount() == 0) return;
  m_iCurSel = (m_iInitialSel >= 0 && m_iInitialSel < GetCount()) ? m_iInitialSel : 0;
  ShowOnly(m_iCurSel);
}

void CTabLayoutUI::ShowOnly(int index) {
  for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == index);
}

bool CTabLayoutUI::SelectItem(int index, bool triggerEvent) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == m_iCurSel) return true;
  const int previous = m_iCurSel;
  m_iCurSel = index;
  ShowOnly(index);
  NeedParentUpdate();
  if (m_pManager) {
    if (CControlUI* focus = m_pManager->GetFocus(); focus && !focus->IsVisible()) m_pManager->SetFocus(nullptr);
    if (triggerEvent) m_pManager->SendNotify(this, kNotifyTabSelect, static_cast<WPARAM>(index), previous);
  }
  return true;
}

}  // namespace SkinUI
