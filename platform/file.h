#pragma once
// File system operations on wide paths. Both separators are accepted everywhere.
// Failures are reported as false / empty results; the OS error number is kept for logging.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Platform {

bool PathExists(std::wstring_view path);
bool IsDirectory(std::wstring_view path);
bool IsRegularFile(std::wstring_view path);
// Creates one directory level (mode 0755). True when it was created.
bool CreateOneDirectory(std::wstring_view path);
// Creates one private directory level (mode 0700).
bool CreatePrivateDirectory(std::wstring_view path);
// A directory that exists, is not a symbolic link, is owned by this user and is writable by no one else.
bool IsPrivateDirectory(std::wstring_view path);
bool RemoveFile(std::wstring_view path);
// Removes a directory and everything below it; symbolic links are removed, never followed.
bool RemoveTree(std::wstring_view path);
// Renames, replacing an existing destination atomically.
bool MoveFileReplace(std::wstring_view from, std::wstring_view to);
bool CopyFileReplace(std::wstring_view from, std::wstring_view to);
std::optional<uint64_t> FileSize(std::wstring_view path);
std::optional<std::string> ReadWholeFile(std::wstring_view path);
// Writes to a temporary file beside `path`, flushes it and renames it over `path`.
bool WriteFileAtomically(std::wstring_view path, std::string_view bytes);
// Gives the owner the execute bit (the file is about to be run as a program).
bool MakeExecutable(std::wstring_view path);
// The errno-style number of the last failure on this thread.
int LastFileError();

}  // namespace Platform
