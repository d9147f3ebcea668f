#pragma once
// A button that plays an animation like CSequenceLabelUI (layout element "SequenceButton"; by
// default 60 ms per frame and bouncing). While pushed, its text moves by the pushed-text offset.
// CopyChannel copies one byte channel between two bitmaps of the same size.

#include "ui/framework/bitmap.h"
#include "ui/framework/button.h"
#include "ui/sequence_control.h"

namespace SkinUI {

class CSequenceButtonUI : public SequenceControl<CButtonUI> {
 public:
  CSequenceButtonUI();

  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  void PaintText(Canvas& canvas) override;

  // How far the text moves in from each side while the button is pushed.
  const Rect& GetPushedTextOffset() const { return m_rcPushedTextOffset; }
  void SetPushedTextOffset(const Rect& offset);

  // Copies byte `sourceChannel` (0..3 within each 32-bit premultiplied pixel) of every pixel of
  // `source` into byte `destChannel` of `dest`. False, changing nothing, when the sizes differ or
  // a channel is outside 0..3.
  static bool CopyChannel(const Bitmap& source, Bitmap& dest, int sourceChannel, int destChannel);

 private:
  Rect m_rcPushedTextOffset;
};

}  // namespace SkinUI
