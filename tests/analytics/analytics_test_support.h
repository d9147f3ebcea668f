#pragma once
// Small helpers shared by the analytics tests: a fixed clock and random sequence, captured
// standard error, and a scratch folder.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "analytics/sdk/time_source.h"

namespace analytics_test {

// A clock that stands still (or moves only when told) and a repeating random sequence.
class FixedTimeSource : public usage_analytics::TimeSource {
 public:
  explicit FixedTimeSource(int64_t nowMs, std::vector<uint32_t> randoms = {1234, 5678})
      : now_(nowMs), randoms_(std::move(randoms)) {}
  int64_t NowMilliseconds() override { return now_; }
  void Seed(uint32_t) override {}
  uint32_t NextRandom() override { return randoms_[next_++ % randoms_.size()]; }
  void Advance(int64_t ms) { now_ += ms; }

 private:
  int64_t now_;
  std::vector<uint32_t> randoms_;
  size_t next_ = 0;
};

// Installs a fixed source for the lifetime of the object.
class ScopedTimeSource {
 public:
  explicit ScopedTimeSource(usage_analytics::TimeSource& source) { usage_analytics::SetTimeSource(&source); }
  ~ScopedTimeSource() { usage_analytics::SetTimeSource(nullptr); }
};

// What the code under test wrote to standard error while `body` ran.
template <typename Body>
std::string StderrOf(Body body) {
  testing::internal::CaptureStderr();
  body();
  return testing::internal::GetCapturedStderr();
}

template <typename Body>
std::string StdoutOf(Body body) {
  testing::internal::CaptureStdout();
  body();
  return testing::internal::GetCapturedStdout();
}

// A fresh empty folder under the system temporary folder, removed again at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
std::vector<std::string> ReadLines(const std::string& path);

}  // namespace analytics_test
