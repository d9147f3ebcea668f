#include "tests/download/download_harness.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include "download/downloader_factory.h"
#include "platform/codepage.h"
#include "platform/thread_identity.h"

namespace DownloadTest {
namespace {

// libcurl's global set-up belongs to the program's entry point; in the tests it is this.
class CurlEnvironment : public testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(curl_global_init(CURL_GLOBAL_ALL), CURLE_OK); }
  void TearDown() override { curl_global_cleanup(); }
};

[[maybe_unused]] testing::Environment* const g_curl = testing::AddGlobalTestEnvironment(new CurlEnvironment);

bool IsEnd(int32_t code) { return code == DownloadCode::kSucceeded || code == DownloadCode::kFailed; }
bool EndsRun(int32_t code) { return IsEnd(code) || code == DownloadCode::kRetry; }

}  // namespace

DownloadCallback Owner::Callback() {
  return [this](int32_t code, double value, const wchar_t* text) { Record(code, value, text); };
}

void Owner::Record(int32_t code, double value, const wchar_t* text) {
  CDownloader* retry = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    notifications_.push_back({code, value, text ? text : L"", Platform::CurrentThreadId()});
    if (IsEnd(code)) ended_ = true;
    if (code == DownloadCode::kRetry) retry = downloader_;
  }
  changed_.notify_all();
  if (retry) retry->StartDownload();
}

bool Owner::WaitForEnd(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return ended_; });
}

bool Owner::WaitFor(int32_t code, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    for (const Notification& n : notifications_)
      if (n.code == code) return true;
    return false;
  });
}

std::vector<Notification> Owner::Notifications() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return notifications_;
}

std::vector<int32_t> Owner::Outline() const {
  std::vector<int32_t> codes;
  for (const Notification& n : Notifications())
    if (n.code != DownloadCode::kProgress) codes.push_back(n.code);
  return codes;
}

size_t Owner::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return notifications_.size();
}

std::vector<Notification> Download(int32_t type, const std::string& url, const std::filesystem::path& destination,
                                   std::chrono::milliseconds timeout) {
  Owner owner;
  std::unique_ptr<CDownloader> downloader =
      CreateDownloader(type, owner.Callback(), Platform::Utf8ToWide(url), Platform::AnsiToWide(destination.string()));
  owner.Attach(downloader.get());
  downloader->StartDownload();
  EXPECT_TRUE(owner.WaitForEnd(timeout)) << "no 1003 or 1004 in time";
  downloader.reset();
  const std::vector<Notification> notifications = owner.Notifications();
  ExpectContract(notifications, Platform::CurrentThreadId());
  return notifications;
}

void ExpectContract(const std::vector<Notification>& notifications, uint32_t starter) {
  ASSERT_FALSE(notifications.empty());
  bool inRun = false;
  double lastProgress = 0.0;
  int retries = 0;
  for (size_t i = 0; i < notifications.size(); ++i) {
    const Notification& n = notifications[i];
    SCOPED_TRACE("notification " + std::to_string(i) + ": " + std::to_string(n.code));
    EXPECT_NE(n.thread, starter) << "called back on the thread that started the run";
    if (n.code == DownloadCode::kStarted) {
      EXPECT_FALSE(inRun) << "1001 inside a run";
      EXPECT_EQ(n.value, 1.0);
      EXPECT_EQ(n.text, L"");
      inRun = true;
      lastProgress = 0.0;
      continue;
    }
    EXPECT_TRUE(inRun) << "notification outside a run";
    if (n.code == DownloadCode::kProgress) {
      EXPECT_GE(n.value, 0.0);
      EXPECT_LE(n.value, 1.0);
      EXPECT_GE(n.value, lastProgress) << "progress went back";
      lastProgress = n.value;
    } else if (EndsRun(n.code)) {
      inRun = false;
      if (n.code == DownloadCode::kRetry) ++retries;
    } else {
      EXPECT_EQ(n.code, DownloadCode::kNotice);
    }
  }
  EXPECT_LE(retries, 1);
  EXPECT_TRUE(IsEnd(notifications.back().code)) << "last notification " << notifications.back().code;
}

PackageSite::PackageSite(uint64_t size, TestSupport::FileFill fill, const TestSupport::PublishOptions& options) {
  source = dir / "Quorvane_setup.exe";
  TestSupport::MakeTestFile(source, size, fill);
  package = TestSupport::PublishPackage(source, "387", dir / "publish", options);
  server = std::make_unique<TestSupport::PackageServer>(dir / "publish");
}

std::vector<TestSupport::ServedRequest> PackageSite::PackageGets() const {
  // Matched by file name: a digest fault changes the folder the redirect names.
  const std::string fileName = package.targetPath.substr(package.targetPath.rfind('/'));
  std::vector<TestSupport::ServedRequest> gets;
  for (const TestSupport::ServedRequest& r : server->RequestLog())
    if (r.method == "GET" && r.target.ends_with(fileName)) gets.push_back(r);
  return gets;
}

std::vector<std::string> PackageSite::Ranges() const {
  std::vector<std::string> ranges;
  for (const TestSupport::ServedRequest& r : PackageGets()) ranges.push_back(r.range);
  return ranges;
}

std::wstring Wide(const std::string& utf8) { return Platform::Utf8ToWide(utf8); }

}  // namespace DownloadTest
