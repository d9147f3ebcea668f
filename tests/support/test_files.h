#pragma once
// Temporary folders and test files of a given size for tests that touch the file system.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace TestSupport {

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object goes away.
class TempDir {
 public:
  explicit TempDir(std::string_view tag = "qv");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

enum class FileFill {
  Pattern,  // every byte is PatternByte(offset)
  Sparse,   // a hole that reads as zeros, except PatternByte in the first and last 64 KiB
  Auto,     // Pattern up to 64 MiB, Sparse beyond
};

// The byte at `offset` of a patterned file. The pattern does not repeat at any power of two, so
// a range fetched from the wrong offset or joined in the wrong order shows up.
unsigned char PatternByte(uint64_t offset);
// The byte at `offset` of a file made by MakeTestFile with this size and fill.
unsigned char ExpectedByte(uint64_t size, FileFill fill, uint64_t offset);

// Creates (or replaces) a file of exactly `size` bytes. Sparse files cost no disk space, so a
// 2.5 GiB package takes a moment to make. Throws std::runtime_error on failure.
void MakeTestFile(const std::filesystem::path& file, uint64_t size, FileFill fill = FileFill::Auto);

// Up to `count` bytes of a file from `offset` on; throws when the file cannot be read.
std::string ReadFileBytes(const std::filesystem::path& file, uint64_t offset = 0, uint64_t count = UINT64_MAX);
void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes);
// The file's MD5 as 32 lower-case hexadecimal digits; throws when the file cannot be read.
std::string FileMd5(const std::filesystem::path& file);

}  // namespace TestSupport
