// quorvane-sample-pack: builds the sample package from the package program and the files it carries.
//
//   quorvane-sample-pack <package-program> <output> <minimum-size> <name>=<file>...

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/sample-package/payload.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: quorvane-sample-pack <package-program> <output> <minimum-size> <name>=<file>...\n");
    return 2;
  }
  std::vector<std::pair<std::string, std::filesystem::path>> files;
  for (int i = 4; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t equals = arg.find('=');
    if (equals == std::string::npos || equals == 0 || arg.find(' ') < equals) {
      std::fprintf(stderr, "not <name>=<file>: %s\n", argv[i]);
      return 2;
    }
    files.emplace_back(arg.substr(0, equals), arg.substr(equals + 1));
  }
  std::string error;
  if (!SamplePackage::WritePackage(argv[1], files, std::strtoull(argv[3], nullptr, 10), argv[2], &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}
