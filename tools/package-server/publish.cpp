#include "tools/package-server/publish.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace Peers {
namespace {

constexpr size_t kBlock = 1 << 20;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

std::string SystemError(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const char* data, size_t size, off_t offset) {
  while (size > 0) {
    const ssize_t written = pwrite(fd, data, size, offset);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
    offset += written;
  }
  return true;
}

// Copies the data extents only, so a large sparse test file stays sparse in the publish folder.
bool CopyPreservingHoles(const std::filesystem::path& from, const std::filesystem::path& to, std::string* error) {
  FileDescriptor in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.valid()) return *error = SystemError("cannot open", from), false;
  struct stat info {};
  if (fstat(in.get(), &info) != 0) return *error = SystemError("cannot stat", from), false;
  FileDescriptor out(open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!out.valid()) return *error = SystemError("cannot create", to), false;
  std::vector<char> buffer(kBlock);
  off_t offset = 0;
  while (offset < info.st_size) {
    off_t data = lseek(in.get(), offset, SEEK_DATA);
    if (data < 0) break;  // only a hole remains
    off_t hole = lseek(in.get(), data, SEEK_HOLE);
    if (hole < 0) hole = info.st_size;
    for (off_t at = data; at < hole;) {
      const ssize_t got = pread(in.get(), buffer.data(), std::min<off_t>(kBlock, hole - at), at);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return *error = SystemError("cannot read", from), false;
      if (!WriteAll(out.get(), buffer.data(), static_cast<size_t>(got), at)) {
        return *error = SystemError("cannot write", to), false;
      }
      at += got;
    }
    offset = hole;
  }
  if (ftruncate(out.get(), info.st_size) != 0 || fsync(out.get()) != 0) {
    return *error = SystemError("cannot finish", to), false;
  }
  return true;
}

bool PlaceFile(const PublishRequest& request, const std::filesystem::path& target, std::string* error) {
  const std::filesystem::path temporary = target.string() + ".publishing";
  std::filesystem::remove(temporary);
  if (request.hardLink) {
    if (link(request.packageFile.c_str(), temporary.c_str()) != 0) {
      return *error = SystemError("cannot link " + request.packageFile.string() + " as", temporary), false;
    }
  } else if (!CopyPreservingHoles(request.packageFile, temporary, error)) {
    std::filesystem::remove(temporary);
    return false;
  }
  if (rename(temporary.c_str(), target.c_str()) != 0) {
    *error = SystemError("cannot rename into", target);
    std::filesystem::remove(temporary);
    return false;
  }
  return true;
}

std::string RequestPathFor(const std::string& id) { return id.starts_with("/") ? id : "/software/" + id; }

}  // namespace

std::optional<std::string> FileMd5(const std::filesystem::path& file, std::string* error) {
  FileDescriptor in(open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.valid()) return *error = SystemError("cannot open", file), std::nullopt;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) {
    return *error = "cannot start an MD5 digest", std::nullopt;
  }
  std::vector<char> buffer(kBlock);
  for (;;) {
    const ssize_t got = read(in.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return *error = SystemError("cannot read", file), std::nullopt;
    if (got == 0) break;
    EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(got));
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_DigestFinal_ex(context.get(), digest, &size);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < size; ++i) {
    text.push_back(kHex[digest[i] >> 4]);
    text.push_back(kHex[digest[i] & 15]);
  }
  return text;
}

std::optional<PackageEntry> Publish(const PublishRequest& request, std::string* error) {
  PackageEntry entry;
  entry.requestPath = RequestPathFor(request.id);
  entry.fileName = request.fileName.empty() ? request.packageFile.filename().string() : request.fileName;
  if (!IsPublishablePath(entry.requestPath)) return *error = "not a publishable id: " + request.id, std::nullopt;
  if (!IsPublishableFileName(entry.fileName)) return *error = "not a publishable file name: " + entry.fileName, std::nullopt;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(request.packageFile, ec)) {
    return *error = "not a file: " + request.packageFile.string(), std::nullopt;
  }
  if (!request.md5.empty()) {
    if (!IsLowerHexDigest(request.md5)) return *error = "not an MD5 digest: " + request.md5, std::nullopt;
    entry.md5 = request.md5;
  } else {
    std::optional<std::string> md5 = FileMd5(request.packageFile, error);
    if (!md5) return std::nullopt;
    entry.md5 = *md5;
  }
  std::optional<std::vector<PackageEntry>> entries = ReadPackageMap(request.root, error);
  if (!entries) return std::nullopt;

  std::filesystem::create_directories(request.root / entry.md5, ec);
  if (ec) return *error = "cannot create " + (request.root / entry.md5).string() + ": " + ec.message(), std::nullopt;
  if (!PlaceFile(request, entry.FileIn(request.root), error)) return std::nullopt;

  std::erase_if(*entries, [&](const PackageEntry& e) { return e.requestPath == entry.requestPath; });
  entries->push_back(entry);
  if (!WritePackageMap(request.root, *entries, error)) return std::nullopt;
  return entry;
}

int RunPublishCommand(int argc, char** argv) {
  PublishRequest request;
  std::vector<std::string> positional;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--link") {
      request.hardLink = true;
    } else if (arg == "--name" && hasValue) {
      request.fileName = argv[++i];
    } else if (arg == "--md5" && hasValue) {
      request.md5 = argv[++i];
    } else if (arg.starts_with("--")) {
      std::fprintf(stderr, "unknown or incomplete option: %s\n", argv[i]);
      return 2;
    } else {
      positional.emplace_back(arg);
    }
  }
  if (positional.size() != 3) {
    std::fprintf(stderr, "usage: publish <package-file> <id> <publish-folder> [--name <file name>] "
                         "[--md5 <digest>] [--link]\n");
    return 2;
  }
  request.packageFile = positional[0];
  request.id = positional[1];
  request.root = positional[2];
  std::string error;
  const std::optional<PackageEntry> entry = Publish(request, &error);
  if (!entry) {
    std::fprintf(stderr, "publish failed: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s %s\n", entry->requestPath.c_str(), entry->TargetPath().c_str());
  return 0;
}

}  // namespace Peers
