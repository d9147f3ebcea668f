#include "platform/crash_filter.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

namespace {

void ReportToStderr() {
  static const char kLine[] = "crash reported\n";
  (void)!write(STDERR_FILENO, kLine, sizeof(kLine) - 1);
}

void CrashInsideReporter() {
  ReportToStderr();
  raise(SIGSEGV);
}

void HangInsideReporter() {
  ReportToStderr();
  for (;;) pause();
}

// A real fault: a write to a page that allows no access.
[[gnu::noinline]] void WriteToForbiddenPage() {
  void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  *static_cast<volatile int*>(page) = 1;
}

TEST(CrashFilterDeathTest, ReportsOnceThenDiesOfTheOriginalSignal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct {
    const char* name;
    int signal;
    void (*crash)();
  } cases[] = {
      {"forbidden write", SIGSEGV, [] { WriteToForbiddenPage(); }},
      {"abort", SIGABRT, [] { std::abort(); }},
      {"arithmetic", SIGFPE, [] { raise(SIGFPE); }},
      {"worker thread", SIGBUS, [] { std::thread([] { raise(SIGBUS); }).join(); }},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          Platform::InstallCrashFilter(ReportToStderr);
          c.crash();
        },
        ::testing::KilledBySignal(c.signal), "^crash reported\n$")
        << c.name;
  }
}

TEST(CrashFilterDeathTest, CrashWhileReportingStillEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Platform::InstallCrashFilter(CrashInsideReporter);
        std::abort();
      },
      ::testing::KilledBySignal(SIGSEGV), "^crash reported\n$");
}

TEST(CrashFilterDeathTest, HangingReporterIsCutOffWithTheOriginalSignal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Platform::InstallCrashFilter(HangInsideReporter);
        raise(SIGILL);
      },
      ::testing::KilledBySignal(SIGILL), "^crash reported\n$");
}

}  // namespace
