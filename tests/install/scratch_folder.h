#pragma once
// A folder of its own for one test, removed with everything in it afterwards, and small helpers
// to point the per-user folders of the platform layer into it.

#include <stdlib.h>
#include <sys/stat.h>

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

// Every per-user folder the installer uses (registry store, application and state data, desktop,
// temporary and private runtime folders) pointed into `root` for the life of the object.
class ScopedUserFolders {
 public:
  explicit ScopedUserFolders(const std::string& root)
      : config_("XDG_CONFIG_HOME", root + "/config"),
        state_("XDG_STATE_HOME", root + "/state"),
        runtime_("XDG_RUNTIME_DIR", root + "/runtime"),
        tmp_("TMPDIR", root + "/tmp"),
        appData_("APPDATA", root + "/appdata"),
        data_("XDG_DATA_HOME", root + "/data"),
        desktop_("XDG_DESKTOP_DIR", root + "/desktop") {
    for (const char* sub : {"/tmp", "/runtime"}) Platform::CreateOneDirectory(Platform::Utf8ToWide(root + sub));
    ::chmod((root + "/runtime").c_str(), 0700);  // the runtime folder must be private to be used
  }

 private:
  ScopedEnv config_, state_, runtime_, tmp_, appData_, data_, desktop_;
};

// A copy of the built installer in `folder` (created), ready to run; its path.
inline std::string CopyInstaller(const std::string& builtInstaller, const std::string& folder) {
  Platform::CreateOneDirectory(Platform::Utf8ToWide(folder));
  const std::string path = folder + "/quorvane-installer";
  Platform::CopyFileReplace(Platform::Utf8ToWide(builtInstaller), Platform::Utf8ToWide(path));
  Platform::MakeExecutable(Platform::Utf8ToWide(path));
  return path;
}
