#pragma once
// A folder of its own for one test, removed with everything in it afterwards, and small helpers
// to point the per-user folders of the platform layer into it.

#include <stdlib.h>

#include <string>

#include "platform/codepage.h"
#include "platform/file.h"

class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/qv-install-XXXXXX";
    path_ = Platform::AnsiToWide(::mkdtemp(pattern));
  }
  ~ScratchFolder() { Platform::RemoveTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"/" + name; }
  std::string native() const { return Platform::WideToUtf8(path_); }

 private:
  std::wstring path_;
};

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old, hadOld_ = true;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (hadOld_)
      ::setenv(name_, old_.c_str(), 1);
    else
      ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool hadOld_ = false;
};

inline std::string ReadText(const std::wstring& path) { return Platform::ReadWholeFile(path).value_or(""); }
