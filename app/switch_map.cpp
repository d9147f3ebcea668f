#include "app/switch_map.h"

#include <climits>
#include <cstdint>
#include <cwchar>
#include <cwctype>

#include "platform/command_line.h"

SwitchMap ParseCommandLine(std::wstring_view commandLine) {
  SwitchMap map;
  for (std::wstring& argument : Platform::SplitCommandLine(commandLine)) {
    const size_t eq = argument.find(L'=');
    if (!argument.empty() && argument.front() == L'-' && eq != std::wstring::npos)
      map.Insert(argument.substr(0, eq), argument.substr(eq + 1));
    else
      map.Insert(std::move(argument), std::wstring());
  }
  return map;
}

int32_t ParseInt32(std::wstring_view text) {
  size_t i = 0;
  while (i < text.size() && std::iswspace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  int64_t n = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    n = n * 10 + (text[i] - L'0');
    if (n > static_cast<int64_t>(INT32_MAX) + 1) n = static_cast<int64_t>(INT32_MAX) + 1;  // saturate
  }
  if (negative) n = -n;
  if (n > INT32_MAX) return INT32_MAX;
  if (n < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(n);
}

double ParseDouble(std::wstring_view text, bool* ok) {
  const std::wstring copy(text);
  wchar_t* end = nullptr;
  const double value = std::wcstod(copy.c_str(), &end);
  *ok = end != copy.c_str();
  return *ok ? value : 0.0;
}

std::wstring SwitchMap::GetText(const std::wstring& key) const {
  const auto it = values_.find(key);
  return it == values_.end() ? std::wstring() : it->second;
}

int32_t SwitchMap::GetInt(const std::wstring& key) const {
  const auto it = values_.find(key);
  return it == values_.end() ? 0 : ParseInt32(it->second);
}

bool SwitchMap::GetBool(const std::wstring& key) const {
  const auto it = values_.find(key);
  return it != values_.end() && it->second == L"true";
}

double SwitchMap::GetDouble(const std::wstring& key, double fallback) const {
  const auto it = values_.find(key);
  if (it == values_.end()) return fallback;
  bool ok = false;
  const double value = ParseDouble(it->second, &ok);
  return ok ? value : fallback;
}
