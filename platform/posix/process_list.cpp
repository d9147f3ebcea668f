#include "platform/process_list.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/codepage.h"

namespace Platform {
namespace {

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file name of the program a process runs: that of its executable, or of argv[0] when the
// executable link cannot be read (another user's process, for someone who is not root).
std::string ExecutableNameOf(const std::string& pidDirectory) {
  char target[4096];
  const ssize_t n = ::readlink((pidDirectory + "/exe").c_str(), target, sizeof(target) - 1);
  if (n > 0) {
    std::string path(target, static_cast<size_t>(n));
    // A program replaced on disk while it runs (an update) still runs under its name.
    static const std::string kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.compare(path.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
      path.resize(path.size() - kDeleted.size());
    return BaseName(path);
  }
  std::ifstream cmdline(pidDirectory + "/cmdline", std::ios::binary);
  std::string first;
  std::getline(cmdline, first, '\0');
  return BaseName(first);  // empty for kernel threads and zombies
}

bool IsProcessId(const char* name) {
  if (!*name) return false;
  for (const char* c = name; *c; ++c)
    if (*c < '0' || *c > '9') return false;
  return true;
}

}  // namespace

uint32_t FindProcessByExecutableName(std::wstring_view name) {
  const std::string wanted = WideToAnsi(name);
  if (wanted.empty()) return 0;
  DIR* proc = ::opendir("/proc");
  if (!proc) return 0;
  uint32_t found = 0;
  while (dirent* entry = ::readdir(proc)) {
    if (!IsProcessId(entry->d_name)) continue;
    if (ExecutableNameOf(std::string("/proc/") + entry->d_name) == wanted) {
      found = static_cast<uint32_t>(std::strtoul(entry->d_name, nullptr, 10));
      break;
    }
  }
  ::closedir(proc);
  return found;
}

}  // namespace Platform
