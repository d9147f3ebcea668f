#pragma once
// The debugger-output channel of the diagnostic log. Each call emits its text in one piece, so
// lines from different threads never mix.

#include <string_view>

namespace Platform {

void OutputDebugText(std::wstring_view text);

}  // namespace Platform
