#include "tools/sample-package/payload.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "tools/sample-package/file_io.h"

namespace SamplePackage {
namespace {

constexpr size_t kFooterSize = 33;
constexpr size_t kBlock = 64 * 1024;

std::string SystemError(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

// Appends the whole file; returns its size.
std::optional<uint64_t> AppendFile(int out, const std::filesystem::path& file, std::string* error) {
  const int in = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return *error = SystemError("cannot open", file), std::nullopt;
  char buffer[kBlock];
  uint64_t total = 0;
  for (;;) {
    const ssize_t got = read(in, buffer, sizeof(buffer));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 || (got > 0 && !WriteAll(out, std::string_view(buffer, static_cast<size_t>(got))))) {
      *error = SystemError("cannot copy", file);
      close(in);
      return std::nullopt;
    }
    if (got == 0) break;
    total += static_cast<uint64_t>(got);
  }
  close(in);
  return total;
}

}  // namespace

bool WritePackage(const std::filesystem::path& program,
                  const std::vector<std::pair<std::string, std::filesystem::path>>& files, uint64_t minimumSize,
                  const std::filesystem::path& output, std::string* error) {
  const std::filesystem::path temporary = output.string() + ".partial";
  const int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
  if (out < 0) return *error = SystemError("cannot create", temporary), false;
  auto fail = [&] {
    close(out);
    unlink(temporary.c_str());
    return false;
  };
  std::optional<uint64_t> offset = AppendFile(out, program, error);
  if (!offset) return fail();
  std::ostringstream index;
  for (const auto& [name, file] : files) {
    const std::optional<uint64_t> size = AppendFile(out, file, error);
    if (!size) return fail();
    index << name << " " << *offset << " " << *size << "\n";
    *offset += *size;
  }
  const std::string indexText = index.str();
  const uint64_t tail = indexText.size() + kFooterSize;
  if (*offset + tail < minimumSize) {
    // Stands for the compressed product data of a real package; not zeros, so that it takes
    // the same time to transfer and digest whatever the transport does with runs of zeros.
    std::string padding(minimumSize - tail - *offset, '\0');
    for (size_t i = 0; i < padding.size(); ++i) padding[i] = static_cast<char>((i * 2654435761u) >> 13);
    if (!WriteAll(out, padding)) return *error = SystemError("cannot pad", temporary), fail();
    *offset += padding.size();
  }
  char footer[kFooterSize + 1];
  std::snprintf(footer, sizeof(footer), "QVPKG1 %016" PRIx64 " %08zx\n", *offset, indexText.size());
  if (!WriteAll(out, indexText) || !WriteAll(out, std::string_view(footer, kFooterSize)) || fsync(out) != 0) {
    return *error = SystemError("cannot write", temporary), fail();
  }
  close(out);
  if (rename(temporary.c_str(), output.c_str()) != 0) {
    *error = SystemError("cannot rename into", output);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::optional<std::vector<PayloadEntry>> ReadPayloadIndex(int fd, std::string* error) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || static_cast<uint64_t>(info.st_size) < kFooterSize) {
    return *error = "the package is too short to hold its files", std::nullopt;
  }
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  char footer[kFooterSize + 1] = {};
  uint64_t indexOffset = 0;
  size_t indexSize = 0;
  if (!ReadExactly(fd, size - kFooterSize, kFooterSize, footer) ||
      std::sscanf(footer, "QVPKG1 %16" SCNx64 " %8zx\n", &indexOffset, &indexSize) != 2 ||
      indexOffset + indexSize + kFooterSize != size) {
    return *error = "the package carries no files (damaged or not a package)", std::nullopt;
  }
  std::string indexText(indexSize, '\0');
  if (!ReadExactly(fd, indexOffset, indexSize, indexText.data())) return *error = "cannot read the package index", std::nullopt;
  std::vector<PayloadEntry> entries;
  std::istringstream lines(indexText);
  PayloadEntry entry;
  while (lines >> entry.name >> entry.offset >> entry.size) {
    if (entry.offset > indexOffset || entry.size > indexOffset - entry.offset) {
      return *error = "the package index points outside the package", std::nullopt;
    }
    entries.push_back(entry);
  }
  return entries;
}

bool ExtractEntry(int fd, const PayloadEntry& entry, const std::filesystem::path& to, unsigned mode, std::string* error) {
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (out < 0) return *error = SystemError("cannot create", to), false;
  char buffer[kBlock];
  bool ok = true;
  for (uint64_t at = 0; ok && at < entry.size;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof(buffer), entry.size - at));
    ok = ReadExactly(fd, entry.offset + at, want, buffer) && WriteAll(out, std::string_view(buffer, want));
    at += want;
  }
  ok = ok && fchmod(out, mode) == 0 && fsync(out) == 0;
  if (!ok) *error = SystemError("cannot write", to);
  close(out);
  return ok;
}

}  // namespace SamplePackage
