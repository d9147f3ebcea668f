// A child program for the process tests: each mode shows one thing the parent must see.
//   echo          copies standard input to standard output until input ends
//   args A B ...  prints each argument on a line of its own
//   fds           prints the numbers of its open descriptors
//   stderr N      writes N bytes to standard error, then "done\n" to standard output
//   exit N        exits with code N, writing nothing
//   sleep         waits until it is killed
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) std::exit(90);
    data += n;
    size -= static_cast<size_t>(n);
  }
}

void WriteText(int fd, const std::string& text) { WriteAll(fd, text.data(), text.size()); }

int Echo() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer));
    if (n == 0) return 0;
    if (n < 0) return 91;
    WriteAll(STDOUT_FILENO, buffer, static_cast<size_t>(n));
  }
}

int ListDescriptors() {
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return 92;
  std::string list;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const int fd = std::atoi(entry->d_name);
    if (fd == ::dirfd(dir)) continue;
    list += (list.empty() ? "" : " ") + std::to_string(fd);
  }
  ::closedir(dir);
  WriteText(STDOUT_FILENO, list + "\n");
  return 0;
}

int FloodErrorStream(size_t bytes) {
  const std::vector<char> block(4096, 'e');
  while (bytes > 0) {
    const size_t n = bytes < block.size() ? bytes : block.size();
    WriteAll(STDERR_FILENO, block.data(), n);
    bytes -= n;
  }
  WriteText(STDOUT_FILENO, "done\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "echo") return Echo();
  if (mode == "args") {
    for (int i = 2; i < argc; ++i) WriteText(STDOUT_FILENO, std::string(argv[i]) + "\n");
    return 0;
  }
  if (mode == "fds") return ListDescriptors();
  if (mode == "stderr" && argc > 2) return FloodErrorStream(std::strtoul(argv[2], nullptr, 10));
  if (mode == "exit" && argc > 2) return std::atoi(argv[2]);
  if (mode == "sleep") {
    for (;;) ::pause();
  }
  return 99;
}
