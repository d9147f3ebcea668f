#include "platform/open_descriptors.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace Platform {

namespace {

std::string LinkTarget(const std::string& link) {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
  return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
}

}  // namespace

std::vector<OpenDescriptor> ListOpenDescriptors() {
  std::vector<OpenDescriptor> open;
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return open;
  const int own = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const int number = std::atoi(entry->d_name);
    if (number == own) continue;
    open.push_back({number, LinkTarget(std::string("/proc/self/fd/") + entry->d_name)});
  }
  ::closedir(dir);
  std::sort(open.begin(), open.end(), [](const OpenDescriptor& a, const OpenDescriptor& b) { return a.number < b.number; });
  return open;
}

}  // namespace Platform
