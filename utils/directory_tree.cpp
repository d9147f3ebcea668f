#include "utils/directory_tree.h"

#include "platform/file.h"
#include "platform/path.h"

namespace Utils {
namespace {

// Another process may create the level at the same moment; what counts is that it is a directory.
bool EnsureDirectory(const std::wstring& path) {
  return Platform::IsDirectory(path) || Platform::CreateOneDirectory(path) || Platform::IsDirectory(path);
}

}  // namespace

bool CreateDirectoryTree(const std::wstring& path) {
  if (path.empty() || path.size() > kMaxDirectoryPath) return false;
  size_t last = std::wstring::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (!Platform::IsPathSeparator(path[i])) continue;
    last = i;
    if (!EnsureDirectory(path.substr(0, i + 1))) return false;
  }
  if (last + 1 < path.size() && !EnsureDirectory(path)) return false;  // npos + 1 == 0: no separator
  return true;
}

}  // namespace Utils
