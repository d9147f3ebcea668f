#pragma once
// Path text helpers. Paths are split on both "\" and "/"; paths the installer builds with "\"
// get the native separator through NativePath.

#include <string>
#include <string_view>

namespace Platform {

inline constexpr wchar_t kNativeSeparator = L'/';

inline bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Every "\" and "/" becomes the native separator.
std::wstring NativePath(std::wstring_view path);
// The text after the last separator (the whole text when there is none).
std::wstring FileNameOf(std::wstring_view path);
// The text before the last separator, without it (empty when there is none).
std::wstring DirectoryOf(std::wstring_view path);
// `dir` and `name` joined by exactly one native separator.
std::wstring JoinPath(std::wstring_view dir, std::wstring_view name);
// True when the path names the file system root or starts from it.
bool IsAbsolutePath(std::wstring_view path);

}  // namespace Platform
