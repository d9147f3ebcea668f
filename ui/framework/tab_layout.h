#pragma once
// Pages: every child fills the client area and only the selected one is visible. Selecting
// another page raises "tabselect" (wParam: new index, lParam: previous index).

#include "ui/framework/container.h"

namespace SkinUI {

class CTabLayoutUI : public CContainerUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  // -1 when there are no pages.
  int GetCurSel() const { return m_iCurSel; }
  // False for an index that is not a page. Selecting the current page changes nothing.
  virtual bool SelectItem(int index, bool triggerEvent = true);
  bool SelectItem(CControlUI* page, bool triggerEvent = true) { return SelectItem(GetItemIndex(page), triggerEvent); }

  bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void DoInit() override;

 private:
  void ShowOnly(int index);

  int m_iCurSel = -1;
  int m_iInitialSel = 0;
};

}  // namespace SkinUI
