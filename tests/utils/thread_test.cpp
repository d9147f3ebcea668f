#include "utils/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "tests/utils/error_stream_capture.h"

namespace {

using namespace std::chrono_literals;

// The name the system keeps for a thread of this process.
std::string SystemThreadName(uint32_t id) {
  std::ifstream comm("/proc/self/task/" + std::to_string(id) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

TEST(ThreadTest, SuspendedThreadIsNamedBeforeItRuns) {
  struct Case {
    std::wstring name;
    std::string expected;  // empty: "t" and the thread id
  } cases[] = {{L"ABDEF", "ABDEF"}, {L"UnInstaller", "UnInstaller"}, {L"", ""}};
  for (const Case& c : cases) {
    std::atomic<int> calls{0};
    Utils::Thread thread(nullptr, c.name, [&](void*) {
      ++calls;
      return 0u;
    });
    ASSERT_TRUE(thread.IsValid());
    ASSERT_NE(thread.Id(), Utils::Thread::kNoThread);
    const std::string expected = c.expected.empty() ? "t" + std::to_string(thread.Id()) : c.expected;
    EXPECT_EQ(SystemThreadName(thread.Id()), expected);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(calls, 0) << "a suspended thread ran before it was resumed";
  }
}

TEST(ThreadTest, ResumedThreadRunsItsFunctionWithTheArgumentAndLogsBeginAndEnd) {
  int argument = 0;
  void* seen = nullptr;
  ErrorStreamCapture capture;
  {
    Utils::Thread thread(&argument, L"ABDEF", [&](void* a) {
      seen = a;
      return 7u;
    });
    thread.Resume();
    thread.Join();
    EXPECT_EQ(thread.Id(), Utils::Thread::kNoThread);
  }
  const std::string log = capture.Stop();
  EXPECT_EQ(seen, &argument);
  const size_t begin = log.find("(Utils::Thread::CallBack)");
  ASSERT_NE(begin, std::string::npos) << log;
  const size_t first = log.find(": THREAD BEGIN\r\n");
  const size_t second = log.find(": THREAD END\r\n");
  ASSERT_NE(first, std::string::npos) << log;
  ASSERT_NE(second, std::string::npos) << log;
  EXPECT_LT(first, second);
}

TEST(ThreadTest, DestroyingWaitsOnlyForABodyThatStillRuns) {
  // Never resumed: the function never runs and destruction does not wait for it.
  {
    bool ran = false;
    {
      Utils::Thread thread(nullptr, L"", [&](void*) {
        ran = true;
        return 0u;
      });
    }
    EXPECT_FALSE(ran);
  }
  // Already returned: destruction completes at once.
  {
    std::atomic<bool> done{false};
    auto thread = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [&](void*) {
      done = true;
      return 0u;
    });
    thread->Resume();
    while (!done) std::this_thread::sleep_for(1ms);
    const auto start = std::chrono::steady_clock::now();
    thread.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  }
  // Still running: destruction returns only after the body has.
  {
    std::atomic<bool> started{false}, finished{false};
    auto thread = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [&](void*) {
      started = true;
      std::this_thread::sleep_for(150ms);
      finished = true;
      return 0u;
    });
    thread->Resume();
    while (!started) std::this_thread::sleep_for(1ms);
    thread.reset();
    EXPECT_TRUE(finished);
  }
}

TEST(ThreadTest, ResumeTwiceRunsOnceAndJoinTwiceIsHarmless) {
  std::atomic<int> calls{0};
  Utils::Thread thread(nullptr, L"ABDEF", [&](void*) {
    ++calls;
    return 0u;
  });
  thread.Resume();
  thread.Resume();
  thread.Join();
  thread.Join();
  EXPECT_EQ(calls, 1);
}

}  // namespace
