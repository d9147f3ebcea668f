#pragma once
// Reading the values of the child progress protocol's key=value lines.
//
// Numbers are read the way the C library's scanf reads "%lf" and "%d" in the "C" locale, whatever
// locale the process runs in (a window toolkit may switch it to one with a decimal comma).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Protocol {

inline constexpr size_t kMaxValueChars = 771;
// The code page of an "Encode=" number that names none: every line decodes to empty text.
inline constexpr uint32_t kNoCodePage = 0xFFFFFFFFu;

// The rest of the line after the key, at most kMaxValueChars characters, as it stands.
std::wstring TextValue(std::wstring_view rest);
// White space removed at both ends.
std::wstring_view Trimmed(std::wstring_view value);

// "%lf": leading white space, then a decimal number; nothing when none can be read. Infinite and
// not-a-number values count as unreadable (the progress display computes with them).
std::optional<double> ReadDecimal(std::wstring_view text);
// "%d": leading white space, an optional sign, digits; `text` moves past what was read. Nothing
// when there are no digits; values beyond the 32-bit range are clamped to it.
std::optional<int32_t> ReadInteger(std::wstring_view& text);

// The code page a numeric "Encode=" value names: 0 when it is not a number, kNoCodePage when the
// number is negative or reaches the top of the 32-bit signed range (where larger ones are clamped).
uint32_t CodePageNumber(std::wstring_view trimmed);

// One line of the child's output in `codePage`.
std::wstring DecodeLine(std::string_view bytes, uint32_t codePage);

// True when `line` begins with `key`; `rest` is then what follows the key.
bool TakeKey(std::wstring_view line, std::wstring_view key, std::wstring_view& rest);

}  // namespace Protocol
