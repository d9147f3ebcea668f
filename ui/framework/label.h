#pragma once
// Text in a box: font id, colours, text style (alignment, single or multiple lines, end
// ellipsis) and text padding. Texts written "%{id}" show the numbered text table's entry.

#include "ui/framework/control.h"

namespace SkinUI {

class CLabelUI : public CControlUI {
 public:
  CLabelUI();
  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;

  // DT_* flags.
  uint32_t GetTextStyle() const { return m_uTextStyle; }
  void SetTextStyle(uint32_t style);
  int GetFont() const { return m_iFont; }
  void SetFont(int id);
  uint32_t GetTextColor() const { return m_dwTextColor; }
  void SetTextColor(uint32_t color);
  uint32_t GetDisabledTextColor() const { return m_dwDisabledTextColor; }
  void SetDisabledTextColor(uint32_t color);
  const Rect& GetTextPadding() const { return m_rcTextPadding; }
  void SetTextPadding(const Rect& padding);
  // The text as shown (numbered texts resolved).
  std::wstring GetDisplayText() const;
  // The size of the shown text with this label's font and style (no padding).
  Size MeasureDisplayText(int maxWidth = 0) const;

  Size EstimateSize(Size available) override;
  bool SetAttribute(std::wstring_view name, std::wstring_view value) override;
  void PaintText(Canvas& canvas) override;

 protected:
  // Draws `text` in the text area (the position less the text padding) with `color`.
  void DrawLabelText(Canvas& canvas, std::wstring_view text, uint32_t color, const Rect& area);
  uint32_t EffectiveTextColor(uint32_t color) const;

  uint32_t m_uTextStyle = DT_VCENTER | DT_SINGLELINE;
  int m_iFont = -1;
  uint32_t m_dwTextColor = 0;
  uint32_t m_dwDisabledTextColor = 0;
  Rect m_rcTextPadding;
  bool m_bAutoCalcWidth = false;
};

}  // namespace SkinUI
