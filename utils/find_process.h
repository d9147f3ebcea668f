#pragma once
// Whether a program is running.

#include <cstdint>
#include <string>

namespace Utils {

// The id of a running process whose executable file name equals `name` (whole name, case
// included), or 0.
uint32_t FindProcess(const std::wstring& name);

}  // namespace Utils
