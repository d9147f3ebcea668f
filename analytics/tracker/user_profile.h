#pragma once
// User-profile properties: each key has one write mode (set once, increment, set), and a value is
// written through the SDK's profile operation of that mode. Unknown keys and values that do not
// fit the key's mode raise PwException.

#include <cstdint>
#include <optional>
#include <string>

namespace plenwick::metrics {

enum class ProfileMode { SetOnce, Increment, Set, Append };

std::optional<ProfileMode> ProfileModeOf(const std::string& key);

void ProfileUserPropertyString(const std::string& key, const std::string& value);
void ProfileUserPropertyNumber(const std::string& key, int64_t value);
void ProfileUserPropertyNumber(const std::string& key, double value);
// `millisecondsSince1970` is written as a date-time value.
void ProfileUserPropertyDateTime(const std::string& key, int64_t millisecondsSince1970);

}  // namespace plenwick::metrics
