#include "platform/wide_format.h"

#include <cwchar>
#include <vector>

namespace Platform {
namespace {

// Rewrites the Windows string conversions into glibc's: there "%s" in a wide format takes a
// narrow string and "%S" a wide one, the reverse of the Windows runtime.
std::wstring ToLibcFormat(const wchar_t* format) {
  std::wstring out;
  for (const wchar_t* p = format; *p; ++p) {
    out.push_back(*p);
    if (*p != L'%') continue;
    ++p;
    if (*p == L'%') {
      out.push_back(*p);
      continue;
    }
    // flags, width, precision
    while (*p && std::wcschr(L"-+ #0123456789.*", *p)) out.push_back(*p++);
    bool wide = true;
    bool explicitSize = false;
    if (*p == L'l' && p[1] == L's') {
      explicitSize = true;
      ++p;
    } else if (*p == L'h' && p[1] == L's') {
      wide = false;
      explicitSize = true;
      ++p;
    }
    if (!*p) break;
    if (*p == L's') {
      out += (explicitSize ? wide : true) ? L"ls" : L"s";
    } else if (*p == L'S' && !explicitSize) {
      out += L"s";
    } else {
      out.push_back(*p);
    }
  }
  return out;
}

}  // namespace

std::wstring FormatWideV(const wchar_t* format, va_list args) {
  const std::wstring libcFormat = ToLibcFormat(format);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list copy;
    va_copy(copy, args);
    const int n = std::vswprintf(buffer.data(), buffer.size(), libcFormat.c_str(), copy);
    va_end(copy);
    if (n >= 0 && static_cast<size_t>(n) < buffer.size()) return std::wstring(buffer.data(), static_cast<size_t>(n));
    // glibc reports -1 both for a short buffer and for an encoding error; stop growing at a bound.
    if (buffer.size() >= (1u << 24)) return std::wstring();
    buffer.resize(buffer.size() * 4);
  }
}

std::wstring FormatWide(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring out = FormatWideV(format, args);
  va_end(args);
  return out;
}

}  // namespace Platform
