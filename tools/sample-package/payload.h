#pragma once
// The package's payload: files appended to the package program itself, found through a footer
// at its very end. Layout: program | file data... | padding | index | footer, where the index has
// one line "<name> <offset> <size>" per file and the footer is "QVPKG1 <index offset, 16 hex
// digits> <index size, 8 hex digits>\n".

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace SamplePackage {

struct PayloadEntry {
  std::string name;
  uint64_t offset = 0;
  uint64_t size = 0;
};

// Builds the package: a copy of `program` followed by the files, padded so that the whole is at
// least `minimumSize` bytes. Written to a temporary name and renamed, executable.
bool WritePackage(const std::filesystem::path& program, const std::vector<std::pair<std::string, std::filesystem::path>>& files,
                  uint64_t minimumSize, const std::filesystem::path& output, std::string* error);

std::optional<std::vector<PayloadEntry>> ReadPayloadIndex(int fd, std::string* error);
// Copies one file of the payload to `to` (created with `mode`).
bool ExtractEntry(int fd, const PayloadEntry& entry, const std::filesystem::path& to, unsigned mode, std::string* error);

}  // namespace SamplePackage
