#pragma once
// A button with a selected state. Clicking raises "click", then toggles the selection (or, in a
// group, selects this member and unselects the others); every change raises "selectchanged".
// The check box is the same control under its own class name.

#include "ui/framework/button.h"

namespace SkinUI {

class COptionUI : public CButtonUI {
 public:
  COptionUI();
  ~COptionUI() override;
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  bool IsSelected() const { return m_bSelected; }
  // Setting the state it already has changes nothing and raises nothing.
  virtual void Selected(bool selected, bool triggerEvent = true);
  const std::wstring& GetGroup() const { return m_sGroupName; }
  void SetGroup(std::wstring_view group);

  bool Activate() override;
  void SetManager(PaintManager* manager, CControlUI* parent) override;
  bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintBkColor(Canvas& canvas) override;
  void PaintStatusImage(Canvas& canvas) override;
  void PaintText(Canvas& canvas) override;

 private:
  bool m_bSelected = false;
  std::wstring m_sGroupName;
  std::wstring m_sSelectedImage;
  std::wstring m_sSelectedHotImage;
  std::wstring m_sSelectedPushedImage;
  std::wstring m_sForeImage;
  uint32_t m_dwSelectedTextColor = 0;
  uint32_t m_dwSelectedBkColor = 0;
};

class CCheckBoxUI : public COptionUI {
 public:
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  void SetCheck(bool check, bool triggerEvent = true) { Selected(check, triggerEvent); }
  bool GetCheck() const { return IsSelected(); }
};

}  // namespace SkinUI
