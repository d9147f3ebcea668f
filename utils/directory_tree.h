#pragma once
// Creating a directory and every missing parent.

#include <string>

namespace Utils {

// The longest path CreateDirectoryTree takes (MAX_PATH).
inline constexpr size_t kMaxDirectoryPath = 260;

// Creates every missing directory of `path` ("\" and "/" both separate). True when all of them
// exist as directories afterwards; false for an empty path, a path longer than
// kMaxDirectoryPath characters, or when a level cannot be created (a file of that name included).
bool CreateDirectoryTree(const std::wstring& path);

}  // namespace Utils
