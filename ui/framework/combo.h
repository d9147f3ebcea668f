#pragma once
// A drop-down choice: its children are the items (usually ListLabelElement), shown one at a
// time as the combo's text. Selecting an item raises "itemselect" (wParam: new index, lParam:
// previous index). FIXME: no drop-down list is drawn yet; a click or the Down key moves to the
// next item, the Up key to the previous one.

#include "ui/framework/container.h"
#include "ui/framework/label.h"

namespace SkinUI {

class CListLabelElementUI : public CLabelUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
  bool IsSelectedInitially() const { return m_bSelected; }

 private:
  bool m_bSelected = false;
};

class CComboUI : public CContainerUI {
 public:
  CComboUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  int GetCurSel() const { return m_iCurSel; }
  // False for an index that is not an item; the current item changes nothing.
  bool SelectItem(int index, bool takeFocus = false, bool triggerEvent = true);
  std::wstring GetText() const override;

  void DoInit() override;
  void DoEvent(TEventUI& event) override;
  bool Activate() override;
  bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void SetPos(const Rect& rc) override;
  CControlUI* FindControlAt(Point point) override;
  void DoPaint(Canvas& canvas, const Rect& dirty) override;
  void PaintStatusImage(Canvas& canvas) override;
  void PaintText(Canvas& canvas) override;

 private:
  int m_iCurSel = -1;
  uint32_t m_uState = 0;
  int m_iFont = -1;
  uint32_t m_dwTextColor = 0;
  Rect m_rcTextPadding;
  std::wstring m_sNormalImage;
  std::wstring m_sHotImage;
  std::wstring m_sPushedImage;
  std::wstring m_sDisabledImage;
};

}  // namespace SkinUI
