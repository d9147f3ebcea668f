#include "platform/path.h"

namespace Platform {

std::wstring NativePath(std::wstring_view path) {
  std::wstring out(path);
  for (wchar_t& c : out)
    if (IsPathSeparator(c)) c = kNativeSeparator;
  return out;
}

static size_t LastSeparator(std::wstring_view path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsPathSeparator(path[i - 1])) return i - 1;
  return std::wstring_view::npos;
}

std::wstring FileNameOf(std::wstring_view path) {
  const size_t at = LastSeparator(path);
  return std::wstring(at == std::wstring_view::npos ? path : path.substr(at + 1));
}

std::wstring DirectoryOf(std::wstring_view path) {
  const size_t at = LastSeparator(path);
  return at == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, at));
}

std::wstring JoinPath(std::wstring_view dir, std::wstring_view name) {
  std::wstring out(dir);
  while (!name.empty() && IsPathSeparator(name.front())) name.remove_prefix(1);
  if (!out.empty() && !IsPathSeparator(out.back())) out.push_back(kNativeSeparator);
  out.append(name);
  return NativePath(out);
}

bool IsAbsolutePath(std::wstring_view path) { return !path.empty() && IsPathSeparator(path.front()); }

}  // namespace Platform
