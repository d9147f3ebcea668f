// GetFileMd5 against md5sum on the same large file, in the same run, from a warm page cache.
//   qv_md5_bench [file] [size in MiB]
// Without a file, a scratch file of the given size (default 1024 MiB) is written to the temporary
// folder and removed afterwards. Each tool runs three times, alternately; the best time counts.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "download/file_digest.h"

namespace {

using Clock = std::chrono::steady_clock;

bool WriteScratchFile(const std::string& path, size_t mebibytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::mt19937_64 generator(42);
  std::vector<uint64_t> block(1 << 17);  // 1 MiB
  for (size_t i = 0; i < mebibytes; ++i) {
    for (uint64_t& word : block) word = generator();
    if (std::fwrite(block.data(), sizeof(uint64_t), block.size(), file) != block.size()) {
      std::fclose(file);
      return false;
    }
  }
  return std::fclose(file) == 0;
}

std::string RunMd5sum(const std::string& path) {
  FILE* pipe = ::popen(("md5sum '" + path + "'").c_str(), "r");
  char line[256] = {};
  const bool read = pipe && std::fgets(line, sizeof(line), pipe);
  if (pipe) ::pclose(pipe);
  return read ? std::string(line, 32) : "";
}

template <typename Run>
double TimedSeconds(Run run, std::string& result) {
  const auto start = Clock::now();
  result = run();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const size_t mebibytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1024;
  std::string path = argc > 1 ? argv[1] : "";
  const bool scratch = path.empty();
  if (scratch) {
    path = (std::filesystem::temp_directory_path() / ("qv-md5-bench-" + std::to_string(::getpid()))).string();
    std::printf("writing %zu MiB to %s\n", mebibytes, path.c_str());
    if (!WriteScratchFile(path, mebibytes)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  const double bytes = static_cast<double>(std::filesystem::file_size(path));
  RunMd5sum(path);  // warm the page cache

  double ours = 1e30, theirs = 1e30;
  std::string ourDigest, theirDigest;
  for (int round = 0; round < 3; ++round) {
    ours = std::min(ours, TimedSeconds([&] { return GetFileMd5(path); }, ourDigest));
    theirs = std::min(theirs, TimedSeconds([&] { return RunMd5sum(path); }, theirDigest));
  }
  if (scratch) std::filesystem::remove(path);

  const double mib = bytes / (1024.0 * 1024.0);
  std::printf("GetFileMd5  %8.3f s  %8.1f MiB/s  %s\n", ours, mib / ours, ourDigest.c_str());
  std::printf("md5sum      %8.3f s  %8.1f MiB/s  %s\n", theirs, mib / theirs, theirDigest.c_str());
  std::printf("throughput ratio GetFileMd5 / md5sum: %.2f\n", theirs / ours);
  if (ourDigest != theirDigest) {
    std::fprintf(stderr, "digests differ\n");
    return 1;
  }
  return 0;
}
