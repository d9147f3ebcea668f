#pragma once
// A clickable label with state images (normal, hot, pushed, focused, disabled) and state text
// colours. Pressing and releasing the mouse inside it, or Space/Return while it has the focus,
// raises "click".

#include "ui/framework/label.h"

namespace SkinUI {

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  bool Activate() override;
  void DoEvent(TEventUI& event) override;
  bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintStatusImage(Canvas& canvas) override;
  void PaintText(Canvas& canvas) override;

  uint32_t GetButtonState() const { return m_uButtonState; }
  const std::wstring& GetNormalImage() const { return m_sNormalImage; }
  void SetNormalImage(std::wstring_view image);
  void SetHotImage(std::wstring_view image);
  void SetPushedImage(std::wstring_view image);
  void SetFocusedImage(std::wstring_view image);
  void SetDisabledImage(std::wstring_view image);
  uint32_t GetHotTextColor() const { return m_dwHotTextColor; }
  uint32_t GetPushedTextColor() const { return m_dwPushedTextColor; }
  uint32_t GetFocusedTextColor() const { return m_dwFocusedTextColor; }

 protected:
  // The text colour for the current state.
  uint32_t StateTextColor() const;
  // Draws the state image of the current state; false when none could be drawn.
  bool PaintButtonStateImage(Canvas& canvas);

  uint32_t m_uButtonState = 0;
  std::wstring m_sNormalImage;
  std::wstring m_sHotImage;
  std::wstring m_sPushedImage;
  std::wstring m_sFocusedImage;
  std::wstring m_sDisabledImage;
  uint32_t m_dwHotBkColor = 0;
  uint32_t m_dwHotTextColor = 0;
  uint32_t m_dwPushedTextColor = 0;
  uint32_t m_dwFocusedTextColor = 0;
};

}  // namespace SkinUI
