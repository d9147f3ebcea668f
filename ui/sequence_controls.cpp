#include "ui/sequence_controls.h"

#include "ui/framework/attribute_values.h"
#include "ui/sequence_button.h"
#include "ui/sequence_label.h"

namespace SkinUI {

CControlUI* CreateSequenceControl(const std::wstring& className) {
  if (EqualsIgnoreCase(className, L"SequenceButton")) return new CSequenceButtonUI;
  if (EqualsIgnoreCase(className, L"SequenceLabel")) return new CSequenceLabelUI;
  return nullptr;
}

}  // namespace SkinUI
