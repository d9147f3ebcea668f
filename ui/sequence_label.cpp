#include "ui/sequence_label.h"

namespace SkinUI {

CSequenceLabelUI::CSequenceLabelUI() = default;

CSequenceLabelUI::~CSequenceLabelUI() { Stop(); }

std::wstring CSequenceLabelUI::GetClass() const { return L"SequenceLabel"; }

void* CSequenceLabelUI::GetInterface(std::wstring_view name) {
  if (name == L"SequenceLabel") return this;
  return CLabelUI::GetInterface(name);
}

}  // namespace SkinUI
