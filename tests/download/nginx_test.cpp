// Both libcurl downloaders against Debian's nginx with the deployment configuration of tools/nginx.

#include <gtest/gtest.h>

#include "tests/download/download_harness.h"

namespace {

using namespace DownloadTest;

TEST(Nginx, ServesBothLibCurlDownloaders) {
  TestSupport::TempDir dir{"qv-nginx-site"};
  // Two segments for the segmented downloader.
  TestSupport::MakeTestFile(dir / "Quorvane_setup.exe", 21 << 20);
  const auto package = TestSupport::PublishPackage(dir / "Quorvane_setup.exe", "387", dir / "publish");
  TestSupport::NginxPackageServer nginx(dir / "publish");
  for (int32_t type : {1, 3}) {
    SCOPED_TRACE(type);
    const std::filesystem::path destination = dir / ("fetched" + std::to_string(type));
    const auto notifications = Download(type, nginx.Url(package.requestPath), destination);
    EXPECT_EQ(notifications.back().code, DownloadCode::kSucceeded);
    for (const Notification& n : notifications) EXPECT_NE(n.code, DownloadCode::kNotice);
    EXPECT_EQ(TestSupport::FileMd5(destination), package.md5);
  }
}

}  // namespace
