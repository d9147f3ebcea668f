// A package past 2 GiB through the segmented downloader: 64-bit lengths, offsets and ranges.

#include <gtest/gtest.h>

#include "download/mt_curl_downloader.h"
#include "tests/download/download_harness.h"

namespace {

using namespace DownloadTest;
using TestSupport::FileFill;

constexpr uint64_t kLength = 2'684'354'560;  // 2.5 GiB
constexpr uint64_t kHalf = kLength / 2;

TEST(LargePackage, TwoAndAHalfGibibytesInTwoSegments) {
  // The segment files and the merged file need about 1.5 times the package on disk (the source
  // is sparse).
  TestSupport::TempDir probe{"qv-large"};
  if (std::filesystem::space(probe.path()).available < kLength * 2) GTEST_SKIP() << "not enough free disk space";

  // The digest is not checked (reading 2.5 GiB again costs more than the rest of the test); the
  // content is checked where the pattern is.
  PackageSite site(kLength, FileFill::Sparse, {.md5 = std::string(32, '0'), .hardLink = true});
  site.server->SetFault(site.package.requestPath, {.digest = "none"});

  const auto notifications = Download(3, site.Url(), site.Destination(), std::chrono::minutes(5));

  EXPECT_EQ(notifications.back().code, DownloadCode::kSucceeded);
  std::vector<std::string> ranges = site.Ranges();
  std::sort(ranges.begin(), ranges.end());
  EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-1342177279", "bytes=1342177280-2684354559"}));
  ASSERT_EQ(std::filesystem::file_size(site.Destination()), kLength);
  for (uint64_t offset : {uint64_t{0}, kHalf - 4096, kHalf, (uint64_t{1} << 31) - 2048, kLength - 65536}) {
    const std::string bytes = TestSupport::ReadFileBytes(site.Destination(), offset, 4096);
    ASSERT_EQ(bytes.size(), std::min<uint64_t>(4096, kLength - offset));
    for (size_t i = 0; i < bytes.size(); ++i)
      ASSERT_EQ(static_cast<unsigned char>(bytes[i]), TestSupport::ExpectedByte(kLength, FileFill::Sparse, offset + i))
          << "offset " << offset + i;
  }
}

}  // namespace
