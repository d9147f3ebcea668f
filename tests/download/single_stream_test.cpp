// The libcurl client and the single-stream downloader: probes, the 1 MiB floor, resumption, the
// attempt budget, and what is left on disk after each outcome.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "download/attempt_budget.h"
#include "download/curl_client.h"
#include "download/curl_downloader.h"
#include "download/download_report.h"
#include "platform/codepage.h"
#include "tests/download/download_harness.h"

namespace {

using namespace DownloadTest;
using TestSupport::FileMd5;
using TestSupport::ReadFileBytes;

void IgnoreProgress(void*, double, double, double) {}

// Collects the engine's failure reports while alive.
class ReportCollector {
 public:
  ReportCollector() {
    SetDownloadReportHook([this](const std::wstring& name, const std::wstring& reason) {
      std::lock_guard<std::mutex> lock(mutex_);
      reports_.push_back(name + L"|" + reason);
    });
  }
  ~ReportCollector() { SetDownloadReportHook(nullptr); }
  std::vector<std::wstring> Reports() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reports_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::wstring> reports_;
};

struct Client {
  explicit Client(const std::string& url, const std::filesystem::path& destination)
      : client(Platform::Utf8ToWide(url), destination.wstring(), nullptr, &IgnoreProgress) {}
  std::filesystem::path Part() const { return std::filesystem::path(client.GetFilePath(true)); }
  CurlClient client;
};

TEST(CurlClient, AcceptsFilesFromOneMebibyteOn) {
  struct Case {
    uint64_t size;
    int result;
  };
  for (const Case& c : {Case{1048576, 0}, Case{1048575, -998}}) {
    SCOPED_TRACE(c.size);
    PackageSite site(c.size);
    Client client(site.Url(), site.Destination());
    EXPECT_EQ(client.client.Start(), c.result);
    EXPECT_FALSE(std::filesystem::exists(client.Part()));
    if (c.result == 0) {
      EXPECT_EQ(FileMd5(site.Destination()), site.package.md5);
    } else {
      EXPECT_FALSE(std::filesystem::exists(site.Destination()));
      EXPECT_TRUE(site.PackageGets().empty());
    }
  }
}

TEST(CurlClient, ResumesThePartFileAndLeavesItAsItWasWhenTheServerRefuses) {
  struct Case {
    const char* name;
    int status;      // the answer to the resumed request (0: answer normally)
    bool overshoot;  // the part file holds more than the whole file: a range past the end (416)
  };
  for (const Case& c : {Case{"resumed", 0, false}, Case{"not found", 404, false}, Case{"past the end", 0, true}}) {
    SCOPED_TRACE(c.name);
    PackageSite site(3 << 20);
    Client client(site.Url(), site.Destination());
    // The first attempt is cut after 1,000,000 bytes; the probes are done from then on.
    site.server->SetFault(site.package.targetPath, {.dropAfter = 1'000'000});
    ASSERT_EQ(client.client.Start(), 18);
    ASSERT_EQ(std::filesystem::file_size(client.Part()), 1'000'000u);
    site.server->Reset();
    if (c.status) site.server->SetFault(site.package.targetPath, {.status = c.status});
    if (c.overshoot) TestSupport::WriteFileBytes(client.Part(), ReadFileBytes(site.source) + "tail");
    const std::string before = ReadFileBytes(client.Part());

    const int result = client.client.Start();

    const auto gets = site.PackageGets();
    ASSERT_EQ(gets.size(), 1u) << "probed again";
    EXPECT_EQ(gets[0].range, "bytes=" + std::to_string(before.size()) + "-");
    if (c.status == 0 && !c.overshoot) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(FileMd5(site.Destination()), site.package.md5);
      EXPECT_FALSE(std::filesystem::exists(client.Part()));
    } else {
      EXPECT_EQ(result, 22);
      EXPECT_EQ(ReadFileBytes(client.Part()), before);
      EXPECT_FALSE(std::filesystem::exists(site.Destination()));
    }
  }
}

TEST(CurlClient, AFileThatCannotBeMovedIntoPlaceIsNoDownload) {
  PackageSite site(1 << 20);
  // A folder with something in it stands where the file should go.
  std::filesystem::create_directories(site.Destination() / "occupied");
  Client client(site.Url(), site.Destination());
  EXPECT_EQ(client.client.Start(), -996);
  EXPECT_TRUE(std::filesystem::is_directory(site.Destination() / "occupied"));
  EXPECT_EQ(std::filesystem::file_size(client.Part()), 1u << 20) << "the complete body is kept";
}

TEST(CurlClient, LengthProbesReportUnusableStatuses) {
  struct Case {
    const char* name;
    bool local;
    const char* reason;
  };
  for (const Case& c : {Case{"http 500", false, "1.获取文件大小的状态码为=500；"},
                        Case{"local file", true, "1.获取文件大小的状态码为=0；"}}) {
    SCOPED_TRACE(c.name);
    PackageSite site(1 << 20);
    site.server->SetFault("*", {.status = 500});
    ReportCollector reports;
    Client client(c.local ? "file://" + site.source.string() : site.Url(), site.Destination());

    const int result = client.client.Start();

    // Both length probes report; a local file has no status but its length serves.
    const std::wstring report = Wide("下载失败原因|") + Wide(c.reason);
    EXPECT_EQ(reports.Reports(), (std::vector<std::wstring>{report, report}));
    EXPECT_EQ(result, c.local ? 0 : -998);
  }
}

TEST(AttemptBudget, ChargesTwoPointsPerFailureAndOneForACutTransfer) {
  // The sequence 18, 18, 7, 7, 7, 7, 7 spends the 12 points exactly.
  AttemptBudget budget;
  std::vector<int> remaining;
  for (int result : {18, 18, 7, 7, 7, 7, 7}) {
    budget.Charge(result);
    remaining.push_back(budget.Remaining());
  }
  EXPECT_EQ(remaining, (std::vector<int>{11, 10, 8, 6, 4, 2, 0}));
}

TEST(CCurlDownloader, ServerFailingEveryRequestGetsSixAttempts) {
  PackageSite site(2 << 20);
  site.server->SetFault("*", {.status = 500});
  const auto start = std::chrono::steady_clock::now();

  const auto notifications = Download(1, site.Url(), site.Destination());

  // Every attempt probes three times (the length stays unknown) and fails with -998.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(5 * 500));
  EXPECT_EQ(site.server->RequestLog().size(), 6u * 3);
  ASSERT_EQ(notifications.size(), 2u);
  EXPECT_EQ(notifications.back().code, 1004);
  EXPECT_EQ(notifications.back().value, -998.0);
  EXPECT_EQ(notifications.back().text, L"LibCurl");
}

TEST(CCurlDownloader, CutTransfersCostLessThanRefusedConnections) {
  PackageSite site(3 << 20);
  site.server->SetFault(site.package.targetPath, {.dropAfter = 100'000});
  Owner owner;
  auto downloader = std::make_unique<CCurlDownloader>(owner.Callback(), Platform::Utf8ToWide(site.Url()),
                                                      site.Destination().wstring());
  owner.Attach(downloader.get());
  downloader->StartDownload();
  // Two cut transfers (18, 18), then the server is gone: every later attempt is refused (7).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  auto secondCut = [&site] {
    const auto gets = site.PackageGets();
    return gets.size() >= 2 && gets[1].sent == 100'000;
  };
  while (!secondCut() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const auto gets = site.PackageGets();
  site.server->Stop();
  ASSERT_TRUE(owner.WaitForEnd());
  const std::filesystem::path part = site.Destination().string() + ".part";
  EXPECT_EQ(std::filesystem::file_size(part), 200'000u);
  downloader.reset();
  EXPECT_FALSE(std::filesystem::exists(part)) << "a finished run's part file goes with the downloader";

  ASSERT_EQ(gets.size(), 2u);
  EXPECT_EQ(gets[1].range, "bytes=100000-");
  EXPECT_EQ(owner.Outline(), (std::vector<int32_t>{1001, 1004}));
  EXPECT_EQ(owner.Notifications().back().value, 7.0);
}

TEST(CCurlDownloader, CutBodiesAreResumedWhereTheyStopped) {
  PackageSite site(3 << 20);
  site.server->SetFault(site.package.targetPath, {.dropAfter = 1'000'000});

  const auto notifications = Download(1, site.Url(), site.Destination());

  EXPECT_EQ(notifications.back().code, 1003);
  EXPECT_EQ(site.Ranges(), (std::vector<std::string>{"", "bytes=1000000-", "bytes=2000000-", "bytes=3000000-"}));
  EXPECT_EQ(FileMd5(site.Destination()), site.package.md5);
}

TEST(CCurlDownloader, StalledTransferEndsAndIsResumed) {
  PackageSite site(2 << 20);
  // Every answer stops after 1.5 MiB until the faults change; the rest of the file is shorter.
  site.server->SetFault(site.package.targetPath, {.stallAfter = 1'572'864});

  const auto notifications = Download(1, site.Url(), site.Destination());

  EXPECT_EQ(notifications.back().code, 1003);
  EXPECT_EQ(site.Ranges(), (std::vector<std::string>{"", "bytes=1572864-"}));
  EXPECT_EQ(FileMd5(site.Destination()), site.package.md5);
  site.server->Reset();  // ends the stalled answer
}

TEST(CCurlDownloader, ProgressAtFullPercentWithoutSpeedIsDropped) {
  struct Case {
    double speed, percent;
    bool reported;
  };
  for (const Case& c : {Case{1000, 50, true}, Case{0, 100, false}, Case{1000, 100.5, false}}) {
    Owner owner;
    CCurlDownloader downloader(owner.Callback(), L"http://127.0.0.1:9/", L"");
    CCurlDownloader::onCurlProgress(&downloader, c.speed, 0, c.percent);
    EXPECT_EQ(owner.Count(), c.reported ? 1u : 0u) << c.speed << " " << c.percent;
  }
}

}  // namespace
