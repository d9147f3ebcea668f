#pragma once
// The builder callback for the installer's animation controls: "SequenceButton" and
// "SequenceLabel" (letter case ignored); null for every other class, so the framework builds it.

#include <string>

#include "ui/framework/control.h"

namespace SkinUI {

CControlUI* CreateSequenceControl(const std::wstring& className);

}  // namespace SkinUI
