// The process's package set from several threads at once: it is opened exactly once and every
// thread sees the same entries. (A program of its own: the package can be set only once per process.)

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/ui_skin/skin_archive.h"
#include "ui/framework/resource_package.h"

namespace {

TEST(PackageThreadsTest, ConcurrentFirstWindowsOpenThePackageOnce) {
  const std::string_view archive = SkinTest::EmbeddedArchive();
  ASSERT_FALSE(archive.empty());
  constexpr int kThreads = 4;
  std::atomic<int> ready{0};
  std::vector<const char*> layouts(kThreads, nullptr);
  std::vector<char> opened(kThreads, 0);  // one byte per thread: a bit vector would share words
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      ready.fetch_add(1);
      while (ready.load() < kThreads) {
      }
      // Lookups racing the first open either find nothing yet or the finished table.
      (void)SkinUI::FindEntry(L"mainWnd.xml", nullptr, nullptr);
      opened[i] = SkinUI::SetPackageFromMemory(archive.data(), archive.size());
      const auto layout = SkinUI::EntryData(L"MainWnd.xml");
      layouts[i] = layout ? layout->data() : nullptr;
    });
  }
  for (std::thread& t : threads) t.join();

  EXPECT_EQ(SkinUI::PackageOpenCount(), 1);
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_TRUE(opened[i]) << i;
    ASSERT_NE(layouts[i], nullptr) << i;
    EXPECT_EQ(layouts[i], layouts[0]) << i;
  }
}

}  // namespace
