#include "download/file_digest.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

#include "platform/md5.h"

namespace {

// Large sequential reads: with 1 KiB pieces the per-call cost, not the digest, sets the pace.
constexpr size_t kReadChunk = 256 * 1024;

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

std::string HexOf(const Platform::Md5::Digest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (const uint8_t byte : digest) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 0x0F]);
  }
  return text;
}

std::string DigestOf(FILE* file) {
  Platform::Md5 md5;
  std::vector<unsigned char> buffer(kReadChunk);
  for (;;) {
    const size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
    if (got > 0 && !md5.Update(buffer.data(), got)) return {};
    if (got < buffer.size()) break;
  }
  // A read error (a directory, a failing disk) gives no digest rather than that of a part.
  if (std::ferror(file)) return {};
  Platform::Md5::Digest digest;
  if (!md5.Final(digest)) return {};
  return HexOf(digest);
}

}  // namespace

std::string GetFileMd5(const std::string& ansiPath) {
  if (ansiPath.empty()) return {};
  const std::unique_ptr<FILE, FileCloser> file(std::fopen(ansiPath.c_str(), "rb"));
  if (!file) return {};
  try {
    return DigestOf(file.get());
  } catch (const std::exception&) {
    return {};
  }
}

std::string GetUrlMd5(const std::string& url) {
  const size_t last = url.rfind('/');
  if (last == std::string::npos || last == 0) return {};
  const size_t previous = url.rfind('/', last - 1);
  if (previous == std::string::npos) return {};
  return url.substr(previous + 1, last - previous - 1);
}
