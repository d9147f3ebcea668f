#pragma once
// Whole reads and writes on file descriptors, retried after interruptions and short transfers.

#include <cstdint>
#include <string_view>

namespace SamplePackage {

// False when the descriptor stops taking bytes (a closed pipe, a full disk).
bool WriteAll(int fd, std::string_view bytes);
// Exactly `size` bytes from `offset` on; false at the end of the file or on an error.
bool ReadExactly(int fd, uint64_t offset, size_t size, char* into);

}  // namespace SamplePackage
