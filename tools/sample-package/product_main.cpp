// The sample product (installed as Quorvane.exe): shows nothing, notes in product-runs.log beside
// itself that it ran (process id, working folder, arguments), and exits after a moment
// (QV_PRODUCT_LINGER_MS, default 300).

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tools/sample-package/install_layout.h"

int main(int argc, char** argv) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::filesystem::path folder = ec ? std::filesystem::current_path(ec) : self.parent_path();
  {
    std::ofstream log(folder / SamplePackage::kProductRunLog, std::ios::app);
    log << "started pid=" << getpid() << " cwd=" << std::filesystem::current_path(ec).string() << " args=";
    for (int i = 1; i < argc; ++i) log << (i > 1 ? " " : "") << argv[i];
    log << "\n";
  }
  const char* linger = std::getenv("QV_PRODUCT_LINGER_MS");
  std::this_thread::sleep_for(std::chrono::milliseconds(linger ? std::atoi(linger) : 300));
  return 0;
}
