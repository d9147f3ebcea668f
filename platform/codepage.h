#pragma once
// Text conversions between the installer's wide strings and byte strings.
//
// Code page numbers follow the Windows numbering so callers read the same on every system:
// 0 is the ANSI page (UTF-8 on POSIX whatever the locale), 65001 is UTF-8, any other number names
// a page the system converter knows ("CP936", "CP1252", ...). An unknown page converts to empty text.

#include <string>
#include <string_view>

namespace Platform {

inline constexpr unsigned kCodePageAnsi = 0;
inline constexpr unsigned kCodePageUtf8 = 65001;

// Bytes in `codePage` to wide text. Invalid sequences in UTF-8 become U+FFFD.
std::wstring ToWide(std::string_view bytes, unsigned codePage);
// Wide text to bytes in `codePage`; characters the page cannot hold become '?'.
std::string FromWide(std::wstring_view text, unsigned codePage);

inline std::wstring Utf8ToWide(std::string_view bytes) { return ToWide(bytes, kCodePageUtf8); }
inline std::string WideToUtf8(std::wstring_view text) { return FromWide(text, kCodePageUtf8); }
// The ANSI page: what the runtime library's byte-string file functions take.
inline std::wstring AnsiToWide(std::string_view bytes) { return ToWide(bytes, kCodePageAnsi); }
inline std::string WideToAnsi(std::wstring_view text) { return FromWide(text, kCodePageAnsi); }

// True when the system converter knows `codePage`.
bool IsKnownCodePage(unsigned codePage);

}  // namespace Platform
