#pragma once
// printf-style formatting of wide text with the Windows conventions for string conversions, so a
// format reads the same on every system: "%s" takes a wide string, "%S" a narrow (ANSI) string,
// "%ls" a wide string, "%hs" a narrow string. Every other conversion is the C library's.

#include <cstdarg>
#include <string>

namespace Platform {

std::wstring FormatWideV(const wchar_t* format, va_list args);
std::wstring FormatWide(const wchar_t* format, ...);

}  // namespace Platform
