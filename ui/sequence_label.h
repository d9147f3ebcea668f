#pragma once
// A label that plays an animation by swapping its background image on timer 2100: layout
// element "SequenceLabel" with "sequencebkimage" (a pattern such as
// "res\mainWnd\installBtnAnimate\%.3d.png"), "sequencecount", "sequencespan" (ms),
// "sequenceloop", "sequenceround" (bounce) and "autostart".

#include "ui/framework/label.h"
#include "ui/sequence_frames.h"

namespace SkinUI {

class CSequenceLabelUI : public CLabelUI {
 public:
  CSequenceLabelUI();
  ~CSequenceLabelUI() override;

  std::wstring GetClass() const override;
  void* GetInterface(std::wstring_view name) override;
  void DoInit() override;
  void DoEvent(TEventUI& event) override;
  bool SetAttribute(std::wstring_view name, std::wstring_view value) override;

  // Plays from the first frame (the direction of play is kept).
  void Start();
  void Stop();

  void SetSequenceImage(std::wstring_view pattern) { m_sequence.pattern = pattern; }
  const std::wstring& GetSequenceImage() const { return m_sequence.pattern; }
  void SetSequenceCount(int count) { m_sequence.count = count; }
  int GetSequenceCount() const { return m_sequence.count; }
  void SetSequenceSpan(int span) { m_sequence.span = span; }
  int GetSequenceSpan() const { return m_sequence.span; }
  const FrameSequence& GetSequence() const { return m_sequence; }

 private:
  FrameSequence m_sequence;
};

}  // namespace SkinUI
