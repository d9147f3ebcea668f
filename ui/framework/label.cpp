#include "ui/framework/label.h"

#include "ui/framework/attribute_values.h"
#include "ui/framework/paint_manager.h"

namespace SkinUI {
namespace {

constexpr uint32_t kHorizontalBits = DT_LEFT | DT_CENTER | DT_RIGHT;
constexpr uint32_t kVerticalBits = DT_TOP | DT_VCENTER | DT_BOTTOM;

}  // namespace

CLabelUI::CLabelUI() = default;

std::wstring CLabelUI::GetClass() const { return L"Label"; }

void* CLabelUI::GetInterface(std::wstring_view name) {
  if (name == L"Label") return this;
  return CControlUI::GetInterface(name);
}

void CLabelUI::SetTextStyle(uint32_t style) {
  m_uTextStyle = style;
  Invalidate();
}

void CLabelUI::SetFont(int id) {
  m_iFont = id;
  NeedParentUpdate();
}

void CLabelUI::SetTextColor(uint32_t color) {
  m_dwTextColor = color;
  Invalidate();
}

void CLabelUI::SetDisabledTextColor(uint32_t color) {
  m_dwDisabledTextColor = color;
  Invalidate();
}

void CLabelUI::SetTextPadding(const Rect& padding) {
  m_rcTextPadding = padding;
  NeedParentUpdate();
}

std::wstring CLabelUI::GetDisplayText() const { return PaintManager::ResolveText(GetText()); }

Size CLabelUI::MeasureDisplayText(int maxWidth) const {
  if (!m_pManager) return {};
  return m_pManager->MeasureText(GetDisplayText(), m_iFont, m_uTextStyle, maxWidth);
}

Size CLabelUI::EstimateSize(Size available) {
  Size size = m_cxyFixed;
  if (m_bAutoCalcWidth && m_pManager)
    size.cx = MeasureDisplayText().cx + m_rcTextPadding.left + m_rcTextPadding.right;
  return size;
}

bool CLabelUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  if (name == L"align") {
    // "left", "center" or "right", optionally with a vertical word ("center,top").
    uint32_t style = m_uTextStyle;
    for (std::wstring_view word : SplitWords(value)) {
      if (word == L"left") style = (style & ~kHorizontalBits) | DT_LEFT;
      else if (word == L"center") style = (style & ~kHorizontalBits) | DT_CENTER;
      else if (word == L"right") style = (style & ~kHorizontalBits) | DT_RIGHT;
      else if (word == L"top") style = (style & ~kVerticalBits) | DT_TOP;
      else if (word == L"vcenter") style = (style & ~kVerticalBits) | DT_VCENTER;
      else if (word == L"bottom") style = (style & ~kVerticalBits) | DT_BOTTOM;
    }
    SetTextStyle(style);
  } else if (name == L"valign") {
    uint32_t style = m_uTextStyle & ~kVerticalBits;
    if (value == L"top") style |= DT_TOP;
    else if (value == L"bottom") style |= DT_BOTTOM;
    else style |= DT_VCENTER;
    SetTextStyle(style);
  } else if (name == L"endellipsis") {
    SetTextStyle(ParseBool(value) ? (m_uTextStyle | DT_END_ELLIPSIS) : (m_uTextStyle & ~DT_END_ELLIPSIS));
  } else if (name == L"multiline" || name == L"wordbreak") {
    SetTextStyle(ParseBool(value) ? ((m_uTextStyle & ~DT_SINGLELINE) | DT_WORDBREAK)
                                  : ((m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE));
  } else if (name == L"font") SetFont(ParseInt(value, -1));
  else if (name == L"textcolor") SetTextColor(ParseColor(value));
  else if (name == L"disabledtextcolor") SetDisabledTextColor(ParseColor(value));
  else if (name == L"textpadding") SetTextPadding(ParseRect(value));
  else if (name == L"autocalcwidth") { m_bAutoCalcWidth = ParseBool(value); NeedParentUpdate(); }
  else return CControlUI::SetAttribute(name, value);
  return true;
}

uint32_t CLabelUI::EffectiveTextColor(uint32_t color) const {
  if (!IsEnabled()) {
    if (m_dwDisabledTextColor) return m_dwDisabledTextColor;
    return m_pManager ? m_pManager->GetDefaultDisabledColor() : 0xFFA7A6AA;
  }
  if (color) return color;
  return m_pManager ? m_pManager->GetDefaultFontColor() : 0xFF000000;
}

void CLabelUI::DrawLabelText(Canvas& canvas, std::wstring_view text, uint32_t color, const Rect& area) {
  if (!m_pManager || text.empty()) return;
  canvas.DrawText(text, area, m_pManager->GetFont(m_iFont), color, m_uTextStyle);
}

void CLabelUI::PaintText(Canvas& canvas) {
  DrawLabelText(canvas, GetDisplayText(), EffectiveTextColor(m_dwTextColor), m_rcItem.Deflate(m_rcTextPadding));
}

}  // namespace SkinUI
