// The system URL downloader and the platform's download of a URL to a file.

#include <gtest/gtest.h>

#include <chrono>

#include "download/win_downloader.h"
#include "platform/codepage.h"
#include "platform/url_download.h"
#include "tests/download/download_harness.h"

namespace {

using namespace DownloadTest;
using TestSupport::FileMd5;

// A loopback port with nothing listening: a package server started and stopped again.
int ClosedPort() {
  TestSupport::TempDir dir;
  std::filesystem::create_directories(dir / "publish");
  TestSupport::PackageServer server(dir / "publish");
  const int port = server.port();
  server.Stop();
  return port;
}

TEST(CWinDownloader, UrlEscapeKeepsPrintableAsciiAndEscapesTheRest) {
  struct Case {
    const char* url;
    const char* escaped;
  };
  for (const Case& c : {
           Case{"http://h/a b", "http://h/a+b"},
           Case{"http://h/安装.exe", "http://h/%E5%AE%89%E8%A3%85.exe"},
           Case{"http://h/x?a=%41&b=~!*'();:@&=+$,/?#[]", "http://h/x?a=%41&b=~!*'();:@&=+$,/?#[]"},
           Case{"http://h/\t\x7f", "http://h/%09%7F"},
           Case{"", ""},
       }) {
    EXPECT_EQ(CWinDownloader::UrlEscape(Wide(c.url)), Wide(c.escaped)) << c.url;
  }
}

TEST(CWinDownloader, BindCallbackForwardsProgressWithAKnownMaximum) {
  struct Step {
    uint32_t progress, maximum;
    std::vector<double> reported;
  };
  for (const Step& s : {Step{5, 10, {0.5}}, Step{5, 0, {}}, Step{4'000'000'000u, 4'000'000'000u, {1.0}}}) {
    Owner owner;
    CWinDownloader::CBindCallback bind;
    bind.SetCallback(owner.Callback());
    EXPECT_EQ(bind.OnProgress(s.progress, s.maximum, Platform::kBindStatusDownloadingData, L""), Platform::kS_OK);
    std::vector<double> reported;
    for (const Notification& n : owner.Notifications()) reported.push_back(n.value);
    EXPECT_EQ(reported, s.reported) << s.progress << "/" << s.maximum;
  }
  CWinDownloader::CBindCallback bind;
  bind.Abort();
  EXPECT_EQ(bind.OnProgress(1, 2, Platform::kBindStatusDownloadingData, L""), Platform::kE_ABORT);
  Platform::BindInfo info;
  bind.GetBindInfo(nullptr, &info);
  EXPECT_EQ(info.codePage, 65001u);
}

TEST(CWinDownloader, FailingUrlGetsThreeAttemptsOneSecondApart) {
  struct Case {
    const char* name;
    bool refused;
    double value;
  };
  for (const Case& c : {Case{"not found", false, static_cast<double>(static_cast<int32_t>(0x800C0005u))},
                        Case{"refused", true, static_cast<double>(static_cast<int32_t>(0x800C0004u))}}) {
    SCOPED_TRACE(c.name);
    TestSupport::TempDir dir;
    std::filesystem::create_directories(dir / "publish");
    TestSupport::PackageServer server(dir / "publish");
    const std::string url =
        c.refused ? "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x" : server.Url("/missing/a b安.exe");
    const auto start = std::chrono::steady_clock::now();

    const auto notifications = Download(2, url, dir / "package.exe");

    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
    ASSERT_EQ(notifications.size(), 2u);
    EXPECT_EQ(notifications[1].code, 1004);
    EXPECT_EQ(notifications[1].value, c.value);
    EXPECT_EQ(notifications[1].text, L"URLDownloadToFile");
    EXPECT_FALSE(std::filesystem::exists(dir / "package.exe"));
    if (!c.refused) {
      const auto log = server.RequestLog();
      ASSERT_EQ(log.size(), 3u);
      for (const auto& r : log) EXPECT_EQ(r.target, "/missing/a+b%E5%AE%89.exe");
    }
  }
}

TEST(CWinDownloader, RunsOnceAndTakesLocalPathsAsTheyAre) {
  TestSupport::TempDir dir;
  const std::filesystem::path source = dir / "local package.exe";
  TestSupport::MakeTestFile(source, 300'000);
  Owner owner;
  CWinDownloader downloader(owner.Callback(), Wide("file://" + source.string()), (dir / "copy.exe").wstring());
  downloader.StartDownload();
  downloader.StartDownload();
  ASSERT_TRUE(owner.WaitForEnd());
  EXPECT_EQ(owner.Outline(), (std::vector<int32_t>{1001, 1003}));
  EXPECT_EQ(FileMd5(dir / "copy.exe"), FileMd5(source));
}

// The platform call on its own: results, and nothing at the destination unless it succeeded.
class CountingCallback : public Platform::IBindStatusCallback {
 public:
  explicit CountingCallback(int abortAfter = -1) : abortAfter_(abortAfter) {}
  Platform::HResult OnStartBinding(uint32_t, void*) override { return Platform::kE_NOTIMPL; }
  Platform::HResult GetPriority(int32_t*) override { return Platform::kE_NOTIMPL; }
  Platform::HResult OnLowResource(uint32_t) override { return Platform::kE_NOTIMPL; }
  Platform::HResult OnProgress(uint32_t progress, uint32_t maximum, uint32_t, const wchar_t*) override {
    if (maximum) last = static_cast<double>(progress) / maximum;
    return abortAfter_ >= 0 && ++calls > abortAfter_ ? Platform::kE_ABORT : Platform::kS_OK;
  }
  Platform::HResult OnStopBinding(Platform::HResult result, const wchar_t*) override {
    stopped = result;
    return Platform::kE_NOTIMPL;
  }
  Platform::HResult GetBindInfo(uint32_t*, Platform::BindInfo*) override { return Platform::kE_NOTIMPL; }

  int calls = 0;
  double last = -1;
  Platform::HResult stopped = 1;

 private:
  int abortAfter_;
};

TEST(UrlDownloadToFile, ResultsAndWhatReachesTheDestination) {
  PackageSite site(2 << 20);
  site.server->SetFault("/software/500", {.status = 500});
  struct Case {
    const char* name;
    std::string url;
    int abortAfter;
    Platform::HResult result;
  };
  const std::vector<Case> cases{
      {"success", site.Url(), -1, Platform::kS_OK},
      {"not found", site.server->Url("/nothing"), -1, Platform::kINET_E_RESOURCE_NOT_FOUND},
      {"server error", site.server->Url("/software/500"), -1, Platform::kINET_E_DOWNLOAD_FAILURE},
      {"refused", "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/", -1, Platform::kINET_E_CANNOT_CONNECT},
      {"aborted", site.server->Url(site.package.targetPath), 2, Platform::kE_ABORT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSupport::TempDir dir;
    const std::filesystem::path destination = dir / "package.exe";
    CountingCallback callback(c.abortAfter);
    EXPECT_EQ(Platform::UrlDownloadToFile(nullptr, Wide(c.url), destination.wstring(), 0, &callback), c.result);
    EXPECT_EQ(callback.stopped, c.result);
    if (c.result == Platform::kS_OK) {
      EXPECT_EQ(FileMd5(destination), site.package.md5);
      EXPECT_EQ(callback.last, 1.0);
    } else {
      EXPECT_FALSE(std::filesystem::exists(destination));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), c.result == 0 ? 1 : 0)
        << "a temporary file was left behind";
  }
}

}  // namespace
