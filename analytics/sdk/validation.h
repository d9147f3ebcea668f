#pragma once
// The SDK's rules for identifiers, names, property values and whole property sets. Each check
// writes its reason to the standard error stream and answers false; nothing throws.

#include <string_view>

namespace usage_analytics {

class PropertiesNode;

inline constexpr size_t kMaxIdentifierBytes = 255;
inline constexpr size_t kMaxNameBytes = 100;
inline constexpr size_t kMaxStringPropertyBytes = 8192;

// Tab, line feed, carriage return, printable ASCII and well-formed multi-byte UTF-8 (no overlong
// forms, no surrogates, nothing above U+10FFFF). Every other control byte makes the text invalid.
bool IsAcceptableUtf8(std::string_view text);

// Non-empty and at most 255 bytes; `what` names the identifier in the message ("Distinct ID").
bool CheckIdentifier(std::string_view value, std::string_view what);
// 1 to 100 bytes, a letter, "$" or "_" first, then letters, digits, "$" or "_".
bool CheckName(std::string_view value, std::string_view what);
// Every key is a valid "Property Key"; "$time" holds a date-time and "$project" a text.
bool CheckProperties(const PropertiesNode& properties);

}  // namespace usage_analytics
