#include "tests/analytics/analytics_test_support.h"

#include <curl/curl.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

namespace analytics_test {
namespace {

// Every analytics test program shares these process-wide conditions: date-times are written in
// local time, so the zone is fixed; libcurl is initialised once, as the installer's entry does.
class AnalyticsEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    curl_global_init(CURL_GLOBAL_ALL);
  }
  void TearDown() override { curl_global_cleanup(); }
};

[[maybe_unused]] testing::Environment* const environment = testing::AddGlobalTestEnvironment(new AnalyticsEnvironment);

}  // namespace

ScratchFolder::ScratchFolder() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() / ("qv-analytics-" + std::to_string(random()) + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace analytics_test
