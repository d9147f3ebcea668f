#pragma once
// A label that plays an animation by swapping its background image on timer 2100: layout
// element "SequenceLabel" with "sequencebkimage" (a pattern such as
// "res\mainWnd\installBtnAnimate\%.3d.png"), "sequencecount", "sequencespan" (ms, default 30),
// "sequenceloop", "sequenceround" (bounce) and "autostart".

#include "ui/framework/label.h"
#include "ui/sequence_control.h"

namespace SkinUI {

class CSequenceLabelUI : public SequenceControl<CLabelUI> {
 public:
  CSequenceLabelUI();
  ~CSequenceLabelUI() override;

  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
};

}  // namespace SkinUI
