#pragma once
// The three interface languages, by index and locale code, and the numbered texts of the skin's
// "language.json" (an array, or an object, of entries {"id": n, "en-US": ..., "zh-CN": ...,
// "zh-TW": ...}, at most 4 MiB) loaded into the framework's text table.

#include <optional>
#include <string>
#include <string_view>

namespace SkinUI {

inline constexpr wchar_t kLanguageFileName[] = L"language.json";
inline constexpr size_t kLanguageFileLimit = 0x400000;
// The low-disk-space message.
inline constexpr int kTextLowDiskSpace = 104;

// "en-US", "zh-CN", "zh-TW" for 0, 1, 2; empty for any other index.
std::wstring LocaleCodeOf(int index);
// The index of a locale code; nothing for a code not in the table.
std::optional<int> LanguageIndexOf(std::wstring_view code);

// Loads the texts of the language chosen by `code` (when not empty) or `index` from the skin
// package's language file; returns the effective index (0 when the package has no usable
// language file). A code not in the table keeps `index`; an index outside the table loads
// empty texts.
int LoadLanguageTexts(int index, std::wstring_view code);
// The same from the bytes of a language file (the package's, or a test's).
int LoadLanguageTextsFrom(std::string_view json, int index, std::wstring_view code);

// The locale code the installed version in `folder` was set up with (its config.ini), or empty.
std::wstring InstalledLanguageCode(const std::wstring& folder);

}  // namespace SkinUI
