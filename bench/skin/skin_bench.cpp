// Opening the built-in skin: parse the 7z archive in memory and decompress every file, as the
// first window does, against 7-Zip unpacking the same archive to a pipe, in the same run.
//   qv_skin_bench [rounds]
// Each takes the best of `rounds` (default 15), alternately. The aim for the first window is
// under 30 ms.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/resource.h"
#include "ui/framework/resource_package.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Processor time of this process: less disturbed than wall time when other work shares the cores.
double CpuMilliseconds(std::clock_t since) { return 1000.0 * static_cast<double>(std::clock() - since) / CLOCKS_PER_SEC; }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const auto resource = Platform::FindModuleResource(L"ZIPRES", 147);
  if (!resource) {
    std::fprintf(stderr, "the program has no skin resource\n");
    return 1;
  }
  const std::string sevenZip =
      std::string(QV_SEVEN_ZIP) + " x -so -bd " + QV_SKIN_ARCHIVE_PATH + " > /dev/null 2>&1";

  std::vector<double> ours, oursCpu, theirs;
  size_t files = 0, unpacked = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto start = Clock::now();
    const std::clock_t cpuStart = std::clock();
    SkinUI::ResourcePackage package;
    if (!package.Open(resource->first, resource->second)) {
      std::fprintf(stderr, "the skin archive does not open\n");
      return 1;
    }
    ours.push_back(Milliseconds(start));
    oursCpu.push_back(CpuMilliseconds(cpuStart));
    files = package.Entries().size();
    unpacked = 0;
    for (const auto& e : package.Entries()) unpacked += e.data.size();

    const auto toolStart = Clock::now();
    if (std::system(sevenZip.c_str()) != 0) {
      std::fprintf(stderr, "7z failed: %s\n", sevenZip.c_str());
      return 1;
    }
    theirs.push_back(Milliseconds(toolStart));
  }

  std::printf("skin archive: %zu bytes packed, %zu files, %zu bytes unpacked\n", resource->second, files, unpacked);
  std::printf("open+decompress in memory  best %7.2f ms  median %7.2f ms  (aim < 30 ms)\n",
              *std::min_element(ours.begin(), ours.end()), Median(ours));
  std::printf("  processor time            best %7.2f ms  median %7.2f ms\n",
              *std::min_element(oursCpu.begin(), oursCpu.end()), Median(oursCpu));
  std::printf("7z x -so > /dev/null       best %7.2f ms  median %7.2f ms  (includes starting 7z)\n",
              *std::min_element(theirs.begin(), theirs.end()), Median(theirs));
  std::printf("time ratio 7z / ours (best): %.2f\n",
              *std::min_element(theirs.begin(), theirs.end()) / *std::min_element(ours.begin(), ours.end()));
  return 0;
}
