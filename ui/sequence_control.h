#pragma once
// What both animation controls add to their base control: the frame sequence, its layout
// attributes, timer 2100 on the control itself, Start and Stop, and a new background image on
// every tick.

#include "ui/framework/paint_manager.h"
#include "ui/sequence_frames.h"

namespace SkinUI {

template <class Base>
class SequenceControl : public Base {
 public:
  void DoInit() override {
    if (m_sequence.autoStart && this->m_pManager) this->m_pManager->SetTimer(this, TIMER_SEQUENCE, m_sequence.span);
  }

  void DoEvent(TEventUI& event) override {
    Base::DoEvent(event);
    // Every tick of any timer of this control moves the animation; an empty pattern keeps the
    // timer running and shows nothing new.
    if (event.Type != EventType::Timer || m_sequence.pattern.empty()) return;
    const FrameSequence::Tick tick = m_sequence.Advance();
    if (tick.stop) {
      Stop();
      return;
    }
    this->SetBkImage(FormatFrameName(m_sequence.pattern, *tick.frame).value_or(std::wstring()));
    this->Invalidate();
  }

  bool SetAttribute(std::wstring_view name, std::wstring_view value) override {
    return m_sequence.SetAttribute(name, value) || Base::SetAttribute(name, value);
  }

  // Plays from the first frame (the direction of play is kept).
  void Start() {
    m_sequence.index = 0;
    if (this->m_pManager) this->m_pManager->SetTimer(this, TIMER_SEQUENCE, m_sequence.span);
  }
  void Stop() {
    if (this->m_pManager) this->m_pManager->KillTimer(this, TIMER_SEQUENCE);
  }

  void SetSequenceImage(std::wstring_view pattern) { m_sequence.pattern = pattern; }
  const std::wstring& GetSequenceImage() const { return m_sequence.pattern; }
  void SetSequenceCount(int count) { m_sequence.count = count; }
  int GetSequenceCount() const { return m_sequence.count; }
  void SetSequenceSpan(int span) { m_sequence.span = span; }
  int GetSequenceSpan() const { return m_sequence.span; }
  const FrameSequence& GetSequence() const { return m_sequence; }

 protected:
  FrameSequence m_sequence;
};

}  // namespace SkinUI
