#include "tools/package-server/byte_range.h"

#include <charconv>
#include <limits>

namespace Peers {
namespace {

enum class Number { Missing, Value, TooLarge, Bad };

Number ReadNumber(std::string_view text, uint64_t* value) {
  if (text.empty()) return Number::Missing;
  for (const char c : text) {
    if (c < '0' || c > '9') return Number::Bad;
  }
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  if (ec == std::errc::result_out_of_range) return Number::TooLarge;
  return ec == std::errc() && ptr == text.data() + text.size() ? Number::Value : Number::Bad;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

ByteRangeAnswer ResolveRange(std::string_view header, uint64_t length) {
  using Kind = ByteRangeAnswer::Kind;
  constexpr std::string_view kUnit = "bytes=";
  header = Trim(header);
  if (!header.starts_with(kUnit)) return {};
  const std::string_view ranges = Trim(header.substr(kUnit.size()));
  const size_t dash = ranges.find('-');
  if (ranges.find(',') != std::string_view::npos) return {};  // several ranges: the whole body
  if (dash == std::string_view::npos) return {Kind::Unsatisfiable};

  uint64_t first = 0, last = 0;
  const Number firstNumber = ReadNumber(Trim(ranges.substr(0, dash)), &first);
  const Number lastNumber = ReadNumber(Trim(ranges.substr(dash + 1)), &last);
  if (firstNumber == Number::Bad || lastNumber == Number::Bad) return {Kind::Unsatisfiable};

  if (firstNumber == Number::Missing) {  // suffix: the last n bytes
    if (lastNumber == Number::Missing) return {Kind::Unsatisfiable};
    if (lastNumber == Number::TooLarge) last = std::numeric_limits<uint64_t>::max();
    if (last == 0 || length == 0) return {Kind::Unsatisfiable};
    const uint64_t count = std::min(last, length);
    return {Kind::Partial, length - count, length - 1};
  }
  // A last byte before the first (a first byte too large to read is necessarily beyond any last
  // byte that could be read).
  if (lastNumber == Number::Value && (firstNumber == Number::TooLarge || last < first)) return {Kind::Unsatisfiable};
  if (firstNumber == Number::TooLarge || first >= length) return {Kind::Unsatisfiable};
  if (lastNumber != Number::Value || last >= length) last = length - 1;
  return {Kind::Partial, first, last};
}

}  // namespace Peers
