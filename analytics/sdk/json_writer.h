#pragma once
// The exact text forms of the JSON records: compact, keys in byte order, numbers as a stream
// writes them by default, texts escaped without \u sequences so every UTF-8 byte stays as it is.

#include <cstdint>
#include <string>
#include <string_view>

namespace usage_analytics::json {

// `text` in double quotes; backspace, tab, line feed, form feed, carriage return, double quote and
// backslash become two-character escapes, every other byte is copied unchanged.
void AppendString(std::string& out, std::string_view text);
// Six significant digits, the shorter of fixed and exponent form (12.5, 0, 1.23457e+06), whatever
// the process locale. A value that is not finite has no JSON form and is written as null.
void AppendNumber(std::string& out, double value);
void AppendInteger(std::string& out, int64_t value);
// The instant in local time, quoted, as "2021-01-02 03:04:05.678".
void AppendDateTime(std::string& out, int64_t secondsSince1970, int32_t milliseconds);

}  // namespace usage_analytics::json
