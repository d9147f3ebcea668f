#include "platform/file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/codepage.h"
#include "platform/path.h"

namespace Platform {
namespace {

thread_local int t_lastError = 0;

std::string Native(std::wstring_view path) { return WideToAnsi(NativePath(path)); }

bool Fail() {
  t_lastError = errno;
  return false;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool RemoveTreeNative(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0;
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  bool ok = true;
  while (dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    ok = RemoveTreeNative(path + "/" + entry->d_name) && ok;
  }
  ::closedir(dir);
  return ::rmdir(path.c_str()) == 0 && ok;
}

}  // namespace

bool PathExists(std::wstring_view path) {
  struct stat st;
  return !path.empty() && ::stat(Native(path).c_str(), &st) == 0;
}

bool IsDirectory(std::wstring_view path) {
  struct stat st;
  return !path.empty() && ::stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(std::wstring_view path) {
  struct stat st;
  return !path.empty() && ::stat(Native(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateOneDirectory(std::wstring_view path) {
  return ::mkdir(Native(path).c_str(), 0755) == 0 || Fail();
}

bool CreatePrivateDirectory(std::wstring_view path) {
  return ::mkdir(Native(path).c_str(), 0700) == 0 || Fail();
}

bool IsPrivateDirectory(std::wstring_view path) {
  struct stat st;
  if (::lstat(Native(path).c_str(), &st) != 0) return Fail();
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 0077) == 0;
}

bool RemoveFile(std::wstring_view path) { return ::unlink(Native(path).c_str()) == 0 || Fail(); }

bool RemoveTree(std::wstring_view path) { return RemoveTreeNative(Native(path)) || Fail(); }

bool MoveFileReplace(std::wstring_view from, std::wstring_view to) {
  return ::rename(Native(from).c_str(), Native(to).c_str()) == 0 || Fail();
}

bool CopyFileReplace(std::wstring_view from, std::wstring_view to) {
  const int in = ::open(Native(from).c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Fail();
  struct stat st;
  if (::fstat(in, &st) != 0) {
    Fail();
    ::close(in);
    return false;
  }
  const std::string target = Native(to);
  const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    Fail();
    ::close(in);
    return false;
  }
  char buffer[1 << 16];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof(buffer));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (!WriteAll(out, buffer, static_cast<size_t>(n))) {
      ok = false;
      break;
    }
  }
  if (!ok) Fail();
  ::close(in);
  if (::close(out) != 0 && ok) ok = Fail();
  return ok;
}

std::optional<uint64_t> FileSize(std::wstring_view path) {
  struct stat st;
  if (::stat(Native(path).c_str(), &st) != 0) {
    Fail();
    return std::nullopt;
  }
  return static_cast<uint64_t>(st.st_size);
}

std::optional<std::string> ReadWholeFile(std::wstring_view path) {
  const int fd = ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    Fail();
    return std::nullopt;
  }
  std::string data;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof(buffer));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail();
      ::close(fd);
      return std::nullopt;
    }
    data.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return data;
}

bool WriteFileAtomically(std::wstring_view path, std::string_view bytes) {
  const std::string target = Native(path);
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return Fail();
  bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  if (!ok) Fail();
  // mkostemp creates 0600; the record files are ordinary user files.
  ::fchmod(fd, 0644);
  if (::close(fd) != 0 && ok) ok = Fail();
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = Fail();
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool MakeExecutable(std::wstring_view path) {
  struct stat st;
  const std::string native = Native(path);
  if (::stat(native.c_str(), &st) != 0) return Fail();
  return ::chmod(native.c_str(), (st.st_mode & 07777) | S_IXUSR) == 0 || Fail();
}

int LastFileError() { return t_lastError; }

}  // namespace Platform
