#pragma once
// A new GUID as text: the device identifier of the install records.

#include <string>

namespace Utils {

// 32 hexadecimal characters, no braces or hyphens, upper case except the third group
// (printf "%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X"). Empty only when the system could
// supply no random bytes: an all-zero identifier would collide with every other such failure.
std::wstring CreateGuidString();

}  // namespace Utils
