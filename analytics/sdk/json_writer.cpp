#include "analytics/sdk/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/clock.h"

namespace usage_analytics::json {

void AppendString(std::string& out, std::string_view text) {
  out.push_back('"');
  for (const char c : text) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: out.push_back(c); break;
    }
  }
  out.push_back('"');
}

void AppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buffer[32];
  // to_chars with a precision behaves like printf's %g in the "C" locale, so a GUI toolkit that
  // switches LC_NUMERIC cannot turn the decimal point into a comma.
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general, 6);
  out.append(buffer, result.ptr);
}

void AppendInteger(std::string& out, int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  out.append(buffer, result.ptr);
}

void AppendDateTime(std::string& out, int64_t secondsSince1970, int32_t milliseconds) {
  const Platform::LocalTime t = Platform::LocalTimeOf(secondsSince1970, milliseconds);
  char buffer[96];  // room for every int value of each field
  const int n = std::snprintf(buffer, sizeof(buffer), "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"", t.year,
                              t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
  if (n > 0) out.append(buffer, static_cast<size_t>(n));
}

}  // namespace usage_analytics::json
