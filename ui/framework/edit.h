#pragma once
// A single-line text box. Typing inserts at the caret; Backspace, Delete, the arrows, Home and End
// edit and move; Return raises "return"; every change raises "textchanged". Ctrl+V pastes, Ctrl+C
// copies and Ctrl+X cuts the whole text through the host's clipboard.

#include "ui/framework/label.h"

namespace SkinUI {

class CEditUI : public CLabelUI {
 public:
  CEditUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  void SetText(std::wstring_view text) override;
  int GetMaxChar() const { return m_uMaxChar; }
  void SetMaxChar(int max);
  bool IsReadOnly() const { return m_bReadOnly; }
  void SetReadOnly(bool readOnly);
  bool IsPasswordMode() const { return m_bPasswordMode; }
  void SetPasswordMode(bool password);
  int GetCaret() const { return m_iCaret; }
  uint32_t GetNativeEditBkColor() const { return m_dwNativeBkColor; }

  void DoEvent(TEventUI& event) override;
  bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStatusImage(Canvas& canvas) override;
  void PaintText(Canvas& canvas) override;

 private:
  void Insert(std::wstring_view text);
  void Changed();
  std::wstring ShownText() const;

  int m_uMaxChar = 255;
  bool m_bReadOnly = false;
  bool m_bPasswordMode = false;
  wchar_t m_cPasswordChar = L'*';
  int m_iCaret = 0;
  uint32_t m_uState = 0;
  uint32_t m_dwNativeBkColor = 0xFFFFFFFF;
  std::wstring m_sNormalImage;
  std::wstring m_sHotImage;
  std::wstring m_sFocusedImage;
  std::wstring m_sDisabledImage;
};

}  // namespace SkinUI
