#include "ui/sequence_button.h"

#include "ui/framework/paint_manager.h"

namespace SkinUI {

CSequenceButtonUI::CSequenceButtonUI() {
  m_sequence.span = 60;
  m_sequence.bounce = true;
}

std::wstring CSequenceButtonUI::GetClass() const { return L"SequenceButton"; }

void* CSequenceButtonUI::GetInterface(std::wstring_view name) {
  if (name == L"SequenceButton") return this;
  return CButtonUI::GetInterface(name);
}

void CSequenceButtonUI::SetPushedTextOffset(const Rect& offset) {
  m_rcPushedTextOffset = offset;
  Invalidate();
}

void CSequenceButtonUI::PaintText(Canvas& canvas) {
  if (!(m_uButtonState & UISTATE_PUSHED) || m_rcPushedTextOffset.IsZero()) {
    CButtonUI::PaintText(canvas);
    return;
  }
  const Rect area = m_rcItem.Deflate(m_rcTextPadding).Deflate(m_rcPushedTextOffset);
  const uint32_t color = (IsEnabled() && m_dwPushedTextColor) ? m_dwPushedTextColor : EffectiveTextColor(m_dwTextColor);
  DrawLabelText(canvas, GetDisplayText(), color, area);
}

bool CSequenceButtonUI::CopyChannel(const Bitmap& source, Bitmap& dest, int sourceChannel, int destChannel) {
  if (source.width != dest.width || source.height != dest.height) return false;
  if (sourceChannel < 0 || sourceChannel > 3 || destChannel < 0 || destChannel > 3) return false;
  const auto* from = reinterpret_cast<const uint8_t*>(source.pixels.data());
  auto* to = reinterpret_cast<uint8_t*>(dest.pixels.data());
  for (size_t i = 0; i < source.pixels.size(); ++i) to[i * 4 + destChannel] = from[i * 4 + sourceChannel];
  return true;
}

}  // namespace SkinUI
