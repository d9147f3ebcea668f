// The segmented downloader: how a file is split, the ranges the server receives, resumption of
// cut and stalled segments, a server that ignores ranges, and the merge.

#include <gtest/gtest.h>

#include <algorithm>

#include "download/mt_curl_downloader.h"
#include "platform/codepage.h"
#include "tests/download/download_harness.h"

namespace {

using namespace DownloadTest;
using TestSupport::FileMd5;
using TestSupport::ReadFileBytes;

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(CMTCurlDownloader, SplitsFilesOfTwentyMebibytesAndMoreIntoTwoSegments) {
  struct Case {
    int64_t length;
    std::vector<SegmentSpan> spans;
  };
  const std::vector<Case> cases{
      {256, {{0, 256}}},
      {20'971'519, {{0, 20'971'519}}},
      {20'971'520, {{0, 10'485'760}, {10'485'760, 10'485'760}}},
      {31'457'281, {{0, 15'728'640}, {15'728'640, 15'728'641}}},
      {30'000'000, {{0, 15'000'000}, {15'000'000, 15'000'000}}},
      {2'684'354'560, {{0, 1'342'177'280}, {1'342'177'280, 1'342'177'280}}},
      {6'442'450'945, {{0, 3'221'225'472}, {3'221'225'472, 3'221'225'473}}},
  };
  for (const Case& c : cases) EXPECT_EQ(CMTCurlDownloader::SplitIntoSegments(c.length), c.spans) << c.length;
}

TEST(CMTCurlDownloader, AsksForInclusiveRangesAndJoinsThem) {
  PackageSite site(31'457'281);
  const auto notifications = Download(3, site.Url(), site.Destination());
  EXPECT_EQ(notifications.back().code, 1003);
  EXPECT_EQ(Sorted(site.Ranges()), (std::vector<std::string>{"bytes=0-15728639", "bytes=15728640-31457280"}));
  EXPECT_EQ(FileMd5(site.Destination()), site.package.md5);
  for (int i = 0; i < 2; ++i)
    EXPECT_FALSE(std::filesystem::exists(CMTCurlDownloader::partFilePath(site.Destination().wstring(), i)));
}

TEST(CMTCurlDownloader, RefusesFilesShorterThan256Bytes) {
  struct Case {
    uint64_t size;
    std::vector<int32_t> outline;
    std::vector<std::string> ranges;
  };
  for (const Case& c : {Case{255, {1001, 1004}, {}}, Case{256, {1001, 1003}, {"bytes=0-255"}}}) {
    SCOPED_TRACE(c.size);
    PackageSite site(c.size);
    const auto notifications = Download(3, site.Url(), site.Destination());
    std::vector<int32_t> outline;
    for (const Notification& n : notifications) outline.push_back(n.code);
    EXPECT_EQ(outline, c.outline);
    EXPECT_EQ(notifications.back().value, 0.0);
    EXPECT_EQ(site.Ranges(), c.ranges);
  }
}

TEST(CMTCurlDownloader, CutSegmentsResumeWhereTheyStopped) {
  PackageSite site(22'020'096);  // two segments of 11,010,048 bytes
  site.server->SetFault(site.package.targetPath, {.dropAfter = 6'291'456});

  const auto notifications = Download(3, site.Url(), site.Destination());

  EXPECT_EQ(notifications.back().code, 1003);
  EXPECT_EQ(Sorted(site.Ranges()), Sorted({"bytes=0-11010047", "bytes=6291456-11010047", "bytes=11010048-22020095",
                                           "bytes=17301504-22020095"}));
  EXPECT_EQ(FileMd5(site.Destination()), site.package.md5);
}

TEST(CMTCurlDownloader, StalledSegmentTimesOutAndResumes) {
  PackageSite site(2 << 20);
  // Every answer stops after 1.5 MiB until the server ends; the rest of the file is shorter.
  site.server->SetFault(site.package.targetPath, {.stallAfter = 1'572'864});

  const auto notifications = Download(3, site.Url(), site.Destination());

  EXPECT_EQ(notifications.back().code, 1003);
  EXPECT_EQ(site.Ranges(), (std::vector<std::string>{"bytes=0-2097151", "bytes=1572864-2097151"}));
  EXPECT_EQ(FileMd5(site.Destination()), site.package.md5);
  site.server->Reset();  // ends the stalled answer
}

TEST(CMTCurlDownloader, ServerIgnoringRangesFailsWithoutMixingUpBytes) {
  PackageSite site(20'971'520);
  // Slow enough for progress to be reported before the run fails.
  site.server->SetFault(site.package.targetPath, {.rate = 6'000'000, .ignoreRange = true});
  const std::wstring destination = site.Destination().wstring();

  const auto notifications = Download(3, site.Url(), site.Destination());

  std::vector<std::pair<int32_t, double>> ends;
  for (const Notification& n : notifications)
    if (n.code == 1004 || n.code == 1005) ends.emplace_back(n.code, n.value);
  // Segment 0 gets its bytes, cut at its end; segment 1's answers start at byte 0 and are refused
  // (23) — within the budget of 7 attempts.
  EXPECT_EQ(ends, (std::vector<std::pair<int32_t, double>>{{1005, 23.0}, {1004, 23.0}}));
  EXPECT_FALSE(std::filesystem::exists(site.Destination()));
  // Progress had been reported, so the retry kept segment 0 and asked only for segment 1.
  const auto ranges = site.Ranges();
  EXPECT_EQ(std::count(ranges.begin(), ranges.end(), "bytes=0-10485759"), 1);
  EXPECT_EQ(std::count(ranges.begin(), ranges.end(), "bytes=10485760-20971519"), 14);
  const std::string first = ReadFileBytes(CMTCurlDownloader::partFilePath(destination, 0));
  EXPECT_EQ(first, ReadFileBytes(site.source, 0, 10'485'760));
  EXPECT_EQ(std::filesystem::file_size(CMTCurlDownloader::partFilePath(destination, 1)), 0u);
}

TEST(CMTCurlDownloader, MergeThatCannotReachTheDestinationFailsTheRun) {
  PackageSite site(1 << 20);
  std::filesystem::create_directories(site.Destination() / "occupied");

  const auto notifications = Download(3, site.Url(), site.Destination());

  std::vector<std::pair<int32_t, double>> ends;
  for (const Notification& n : notifications)
    if (n.code == 1004 || n.code == 1005) ends.emplace_back(n.code, n.value);
  EXPECT_EQ(ends, (std::vector<std::pair<int32_t, double>>{{1005, -996.0}, {1004, -996.0}}));
  EXPECT_TRUE(std::filesystem::is_directory(site.Destination() / "occupied"));
  EXPECT_EQ(site.Ranges(), (std::vector<std::string>{"bytes=0-1048575", "bytes=0-1048575"}));
}

}  // namespace
