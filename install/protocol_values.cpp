#include "install/protocol_values.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/codepage.h"

namespace Protocol {
namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }

std::wstring_view SkipSpace(std::wstring_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  return text;
}

}  // namespace

std::wstring TextValue(std::wstring_view rest) { return std::wstring(rest.substr(0, kMaxValueChars)); }

std::wstring_view Trimmed(std::wstring_view value) {
  value = SkipSpace(value);
  while (!value.empty() && IsSpace(value.back())) value.remove_suffix(1);
  return value;
}

std::optional<double> ReadDecimal(std::wstring_view text) {
  text = SkipSpace(text);
  // Only ASCII can belong to a number; the narrow copy ends at the first other character.
  std::string narrow;
  for (wchar_t c : text.substr(0, 64)) {
    if (c <= 0 || c > 0x7F) break;
    narrow.push_back(static_cast<char>(c));
  }
  const char* first = narrow.data();
  const char* last = first + narrow.size();
  bool negative = false;
  if (first != last && (*first == '+' || *first == '-')) {
    negative = *first == '-';
    ++first;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (end == first) return std::nullopt;
  if (error == std::errc::result_out_of_range) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return negative ? -value : value;
}

std::optional<int32_t> ReadInteger(std::wstring_view& text) {
  std::wstring_view at = SkipSpace(text);
  bool negative = false;
  if (!at.empty() && (at.front() == L'+' || at.front() == L'-')) {
    negative = at.front() == L'-';
    at.remove_prefix(1);
  }
  if (at.empty() || at.front() < L'0' || at.front() > L'9') return std::nullopt;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  while (!at.empty() && at.front() >= L'0' && at.front() <= L'9') {
    magnitude = std::min<int64_t>(magnitude * 10 + (at.front() - L'0'), kLimit);
    at.remove_prefix(1);
  }
  text = at;
  const int64_t value = negative ? -magnitude : std::min<int64_t>(magnitude, kLimit - 1);
  return static_cast<int32_t>(value);
}

uint32_t CodePageNumber(std::wstring_view trimmed) {
  std::wstring_view text = trimmed;
  const std::optional<int32_t> number = ReadInteger(text);
  if (!number) return 0;
  if (*number < 0 || *number == std::numeric_limits<int32_t>::max()) return kNoCodePage;
  return static_cast<uint32_t>(*number);
}

std::wstring DecodeLine(std::string_view bytes, uint32_t codePage) {
  if (codePage == kNoCodePage) return {};
  return Platform::ToWide(bytes, codePage);
}

bool TakeKey(std::wstring_view line, std::wstring_view key, std::wstring_view& rest) {
  if (line.substr(0, key.size()) != key) return false;
  rest = line.substr(key.size());
  return true;
}

}  // namespace Protocol
