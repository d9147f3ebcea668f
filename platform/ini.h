#pragma once
// Private-profile ini files with the Windows semantics: sections and keys compared without regard
// to letter case, values trimmed and stripped of one pair of surrounding quotes, the default when
// the file, section or key is absent, values cut to the buffer size minus one. Writes create the
// file and the section and replace the file atomically. Files are read as UTF-8 (the ANSI page)
// or as UTF-16LE when they start with its byte-order mark.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace Platform {

std::wstring GetPrivateProfileString(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view defaultValue, size_t bufferChars,
                                     std::wstring_view path);
// The value read as a base-10 integer (sign allowed, trailing text ignored); `defaultValue` when
// the key is absent, 0 when no digits can be read.
int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue,
                         std::wstring_view path);
// Sets `key` in `section` to `value`; a missing value removes the key.
bool WritePrivateProfileString(std::wstring_view section, std::wstring_view key,
                               std::optional<std::wstring_view> value, std::wstring_view path);

// Several keys of one section written in one replacement of the file (one flush to disk instead
// of one per key), in order, with the same rules as one write each.
struct IniValue {
  std::wstring_view key;
  std::optional<std::wstring_view> value;
};
bool WritePrivateProfileStrings(std::wstring_view section, std::span<const IniValue> values, std::wstring_view path);

}  // namespace Platform
