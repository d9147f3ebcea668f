#include "platform/instance_channel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/file.h"

namespace {

// Messages the receiver thread hands over; `mutex` guards `seen`.
struct Inbox {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<uint32_t> seen;

  void Add(uint32_t m) {
    std::lock_guard<std::mutex> lock(mutex);
    seen.push_back(m);
    arrived.notify_all();
  }
  bool WaitFor(size_t count) {
    std::unique_lock<std::mutex> lock(mutex);
    return arrived.wait_for(lock, std::chrono::seconds(5), [&] { return seen.size() >= count; });
  }
};

class InstanceChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qv-runtime-XXXXXX";
    runtime_ = mkdtemp(pattern);
    chmod(runtime_.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("XDG_RUNTIME_DIR");
    Platform::RemoveTree(Platform::AnsiToWide(runtime_));
  }
  std::string runtime_;
};

TEST_F(InstanceChannelTest, MessagesFromAnotherProcessArriveInOrder) {
  Inbox inbox;
  Platform::InstanceMessageReceiver receiver(L"QvTest_Channel", [&](uint32_t m) { inbox.Add(m); });
  ASSERT_TRUE(receiver.IsListening());
  const pid_t child = fork();
  if (child == 0) {
    const bool ok = Platform::SendInstanceMessage(L"QvTest_Channel", 1224) &&
                    Platform::SendInstanceMessage(L"QvTest_Channel", 1225);
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(inbox.WaitFor(2));
  EXPECT_EQ(inbox.seen, (std::vector<uint32_t>{1224, 1225}));
}

TEST_F(InstanceChannelTest, MalformedDatagramsAreIgnored) {
  Inbox inbox;
  Platform::InstanceMessageReceiver receiver(L"QvTest_Junk", [&](uint32_t m) { inbox.Add(m); });
  ASSERT_TRUE(receiver.IsListening());
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = runtime_ + "/QvTest_Junk.sock";
  std::strcpy(address.sun_path, path.c_str());
  const int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
  for (const std::string& junk : {std::string("x"), std::string(""), std::string(64, 'y')})
    sendto(fd, junk.data(), junk.size(), 0, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  close(fd);
  ASSERT_TRUE(Platform::SendInstanceMessage(L"QvTest_Junk", 7));
  ASSERT_TRUE(inbox.WaitFor(1));
  EXPECT_EQ(inbox.seen, std::vector<uint32_t>{7});
}

TEST_F(InstanceChannelTest, NobodyListeningAndTheSocketGoesWithTheReceiver) {
  EXPECT_FALSE(Platform::SendInstanceMessage(L"QvTest_None", 1224));
  {
    Platform::InstanceMessageReceiver receiver(L"QvTest_None", nullptr);
    EXPECT_TRUE(Platform::PathExists(Platform::AnsiToWide(runtime_ + "/QvTest_None.sock")));
  }
  EXPECT_FALSE(Platform::PathExists(Platform::AnsiToWide(runtime_ + "/QvTest_None.sock")));
  EXPECT_FALSE(Platform::SendInstanceMessage(L"QvTest_None", 1224));
  EXPECT_FALSE(Platform::SendInstanceMessage(L"../escape", 1224));
}

TEST_F(InstanceChannelTest, SharedRuntimeFolderIsNotUsed) {
  chmod(runtime_.c_str(), 0777);
  Platform::InstanceMessageReceiver receiver(L"QvTest_Shared", nullptr);
  EXPECT_FALSE(Platform::PathExists(Platform::AnsiToWide(runtime_ + "/QvTest_Shared.sock")));
  chmod(runtime_.c_str(), 0700);
}

}  // namespace
