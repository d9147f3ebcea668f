#include "tests/support/test_files.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace TestSupport {
namespace {

constexpr uint64_t kSparseEdge = 64 * 1024;
constexpr uint64_t kLargestPatterned = 64ull << 20;

FileFill Resolve(uint64_t size, FileFill fill) {
  if (fill != FileFill::Auto) return fill;
  return size <= kLargestPatterned ? FileFill::Pattern : FileFill::Sparse;
}
constexpr size_t kBlock = 1 << 20;

std::runtime_error SystemError(const std::string& what, const std::filesystem::path& file) {
  return std::runtime_error(what + " " + file.string() + ": " + std::strerror(errno));
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

void WritePattern(int fd, uint64_t from, uint64_t to, const std::filesystem::path& file) {
  std::vector<char> block(kBlock);
  for (uint64_t at = from; at < to;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(kBlock, to - at));
    for (size_t i = 0; i < n; ++i) block[i] = static_cast<char>(PatternByte(at + i));
    if (pwrite(fd, block.data(), n, static_cast<off_t>(at)) != static_cast<ssize_t>(n)) {
      throw SystemError("cannot write", file);
    }
    at += n;
  }
}

}  // namespace

TempDir::TempDir(std::string_view tag) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + std::string(tag) + "-XXXXXX";
  if (!mkdtemp(pattern.data())) throw SystemError("cannot create a temporary folder", pattern);
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Files a test made read-only or folders it locked must not survive the test.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

unsigned char PatternByte(uint64_t offset) {
  // Period 251 (a prime) mixed with the block number, so neither equal bytes nor a shifted copy
  // of a neighbouring range can pass for the right ones.
  return static_cast<unsigned char>((offset % 251) ^ ((offset / 4093) * 37 & 0xff));
}

unsigned char ExpectedByte(uint64_t size, FileFill fill, uint64_t offset) {
  fill = Resolve(size, fill);
  if (fill == FileFill::Pattern || offset < kSparseEdge || offset + kSparseEdge >= size) return PatternByte(offset);
  return 0;
}

void MakeTestFile(const std::filesystem::path& file, uint64_t size, FileFill fill) {
  Fd fd(open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) throw SystemError("cannot create", file);
  if (ftruncate(fd.get(), static_cast<off_t>(size)) != 0) throw SystemError("cannot size", file);
  fill = Resolve(size, fill);
  if (fill == FileFill::Pattern || size <= 2 * kSparseEdge) {
    WritePattern(fd.get(), 0, size, file);
    return;
  }
  WritePattern(fd.get(), 0, kSparseEdge, file);
  WritePattern(fd.get(), size - kSparseEdge, size, file);
}

std::string ReadFileBytes(const std::filesystem::path& file, uint64_t offset, uint64_t count) {
  Fd fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw SystemError("cannot open", file);
  std::string bytes;
  std::vector<char> block(kBlock);
  while (bytes.size() < count) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kBlock, count - bytes.size()));
    const ssize_t got = pread(fd.get(), block.data(), want, static_cast<off_t>(offset + bytes.size()));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw SystemError("cannot read", file);
    if (got == 0) break;
    bytes.append(block.data(), static_cast<size_t>(got));
  }
  return bytes;
}

void WriteFileBytes(const std::filesystem::path& file, std::string_view bytes) {
  Fd fd(open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0 || write(fd.get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    throw SystemError("cannot write", file);
  }
}

std::string FileMd5(const std::filesystem::path& file) {
  Fd fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw SystemError("cannot open", file);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr);
  std::vector<char> block(kBlock);
  for (;;) {
    const ssize_t got = read(fd.get(), block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw SystemError("cannot read", file);
    if (got == 0) break;
    EVP_DigestUpdate(context.get(), block.data(), static_cast<size_t>(got));
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_DigestFinal_ex(context.get(), digest, &size);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < size; ++i) text += {kHex[digest[i] >> 4], kHex[digest[i] & 15]};
  return text;
}

}  // namespace TestSupport
