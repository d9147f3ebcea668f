#include "ui/framework/attribute_values.h"

#include <climits>
#include <cwctype>

namespace SkinUI {
namespace {

// Reads one signed decimal number at `pos`; false when there are no digits.
bool ReadInt(std::wstring_view text, size_t& pos, int& out) {
  while (pos < text.size() && std::iswspace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == L'-' || text[pos] == L'+')) negative = text[pos++] == L'-';
  long long value = 0;
  bool any = false;
  while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
    any = true;
    if (value < static_cast<long long>(INT_MAX) + 1) value = value * 10 + (text[pos] - L'0');
    ++pos;
  }
  if (!any) return false;
  if (negative) value = -value;
  out = static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
  return true;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

int ParseInt(std::wstring_view text, int fallback) {
  size_t pos = 0;
  int value = 0;
  return ReadInt(text, pos, value) ? value : fallback;
}

std::vector<int> ParseIntList(std::wstring_view text, size_t count) {
  std::vector<int> out(count, 0);
  size_t pos = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!ReadInt(text, pos, out[i])) break;
    if (pos >= text.size()) break;
    ++pos;  // the one separator
  }
  return out;
}

Rect ParseRect(std::wstring_view text) {
  const std::vector<int> v = ParseIntList(text, 4);
  return {v[0], v[1], v[2], v[3]};
}

Size ParseSize(std::wstring_view text) {
  const std::vector<int> v = ParseIntList(text, 2);
  return {v[0], v[1]};
}

Point ParsePoint(std::wstring_view text) {
  const std::vector<int> v = ParseIntList(text, 2);
  return {v[0], v[1]};
}

uint32_t ParseHex(std::wstring_view text) {
  while (!text.empty() && std::iswspace(text.front())) text.remove_prefix(1);
  if (!text.empty() && text.front() == L'#') text.remove_prefix(1);
  if (text.size() >= 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) text.remove_prefix(2);
  uint32_t value = 0;
  for (wchar_t c : text) {
    const int d = HexDigit(c);
    if (d < 0) break;
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  return value;
}

uint32_t ParseColor(std::wstring_view text) {
  while (!text.empty() && std::iswspace(text.front())) text.remove_prefix(1);
  if (!text.empty() && text.front() == L'#') text.remove_prefix(1);
  size_t digits = 0;
  while (digits < text.size() && HexDigit(text[digits]) >= 0) ++digits;
  const uint32_t value = ParseHex(text.substr(0, digits));
  // A colour written without its alpha byte is meant to be seen.
  return digits == 6 ? (0xFF000000u | value) : value;
}

std::vector<std::wstring_view> SplitWords(std::wstring_view text) {
  std::vector<std::wstring_view> words;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = std::min(text.find_first_of(L", ", pos), text.size());
    if (end > pos) words.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return words;
}

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

std::wstring ToLower(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(c));
  return out;
}

}  // namespace SkinUI
