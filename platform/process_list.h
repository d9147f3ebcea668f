#pragma once
// The processes that run on the machine.

#include <cstdint>
#include <string_view>

namespace Platform {

// The id of a running process whose executable file name (the whole base name, case included)
// is `name`, or 0 when there is none or the list cannot be read. On POSIX the name is that of
// /proc/<pid>/exe, or of argv[0] where the executable cannot be read; not the 15-byte comm.
uint32_t FindProcessByExecutableName(std::wstring_view name);

}  // namespace Platform
