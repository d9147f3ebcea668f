#include "ui/sequence_label.h"

#include "ui/framework/paint_manager.h"

namespace SkinUI {

CSequenceLabelUI::CSequenceLabelUI() = default;

CSequenceLabelUI::~CSequenceLabelUI() {
  if (m_pManager) m_pManager->KillTimer(this, TIMER_SEQUENCE);
}

std::wstring CSequenceLabelUI::GetClass() const { return L"SequenceLabel"; }

void* CSequenceLabelUI::GetInterface(std::wstring_view name) {
  if (name == L"SequenceLabel") return this;
  return CLabelUI::GetInterface(name);
}

bool CSequenceLabelUI::SetAttribute(std::wstring_view name, std::wstring_view value) {
  return m_sequence.SetAttribute(name, value) || CLabelUI::SetAttribute(name, value);
}

void CSequenceLabelUI::DoInit() {
  if (m_sequence.autoStart && m_pManager) m_pManager->SetTimer(this, TIMER_SEQUENCE, m_sequence.span);
}

void CSequenceLabelUI::Start() {
  m_sequence.index = 0;
  if (m_pManager) m_pManager->SetTimer(this, TIMER_SEQUENCE, m_sequence.span);
}

void CSequenceLabelUI::Stop() {
  if (m_pManager) m_pManager->KillTimer(this, TIMER_SEQUENCE);
}

void CSequenceLabelUI::DoEvent(TEventUI& event) {
  CLabelUI::DoEvent(event);
  // Every tick of any timer of this control moves the animation; an empty pattern keeps the
  // timer running and shows nothing new.
  if (event.Type != EventType::Timer || m_sequence.pattern.empty()) return;
  const FrameSequence::Tick tick = m_sequence.Advance();
  if (tick.stop) {
    Stop();
    return;
  }
  SetBkImage(FormatFrameName(m_sequence.pattern, *tick.frame).value_or(std::wstring()));
  Invalidate();
}

}  // namespace SkinUI
