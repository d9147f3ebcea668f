#pragma once
// Reading the values of layout attributes: integers, lists of integers, colours and flags.
// Every reader accepts any text and gives a defined result: bad text never fails a layout.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/framework/geometry.h"

namespace SkinUI {

// A decimal integer after optional white space and sign; reading stops at the first other
// character; no digits give `fallback` (0 unless said otherwise). Values beyond int saturate.
int ParseInt(std::wstring_view text, int fallback = 0);
// Integers separated by one character each ("1,2,3,4"); missing members are 0.
std::vector<int> ParseIntList(std::wstring_view text, size_t count);
Rect ParseRect(std::wstring_view text);
Size ParseSize(std::wstring_view text);
Point ParsePoint(std::wstring_view text);
// "#AARRGGBB" or "AARRGGBB" as 0xAARRGGBB; six hexadecimal digits ("#RRGGBB") are opaque.
uint32_t ParseColor(std::wstring_view text);
// An unsigned hexadecimal number after an optional "#" (the whole 32 bits, as written).
uint32_t ParseHex(std::wstring_view text);
// Layout flags are true only when written "true".
inline bool ParseBool(std::wstring_view text) { return text == L"true"; }

// Words separated by commas or spaces ("center,vcenter").
std::vector<std::wstring_view> SplitWords(std::wstring_view text);

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);
std::wstring ToLower(std::wstring_view text);

}  // namespace SkinUI
