// What every downloader promises its owner, checked against the package server on loopback.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "download/curl_downloader.h"
#include "download/downloader_factory.h"
#include "download/mt_curl_downloader.h"
#include "download/win_downloader.h"
#include "platform/codepage.h"
#include "tests/download/download_harness.h"

namespace {

using namespace DownloadTest;
using TestSupport::FileMd5;
using TestSupport::PackageFault;

struct Kind {
  int32_t type;
  const char* name;
  const wchar_t* text;  // sent with 1003
};

const Kind kSingleStream{1, "single_stream", L"LibCurl"};
const Kind kSystem{2, "system", L"URLDownloadToFile"};
const Kind kSegmented{3, "segmented", L"LibCurl"};

std::string KindName(const testing::TestParamInfo<Kind>& info) { return info.param.name; }

class EveryDownloader : public testing::TestWithParam<Kind> {};

TEST_P(EveryDownloader, CleanDownloadIsByteIdenticalAndFollowsTheContract) {
  PackageSite site(3 << 20);
  // Slow enough for a few progress reports.
  site.server->SetFault(site.package.targetPath, {.rate = 2'500'000});
  TestSupport::WriteFileBytes(site.Destination(), "an older package");

  const auto notifications = Download(GetParam().type, site.Url(), site.Destination());

  ASSERT_FALSE(notifications.empty());
  EXPECT_EQ(notifications.back().code, DownloadCode::kSucceeded);
  EXPECT_EQ(notifications.back().value, 0.0);
  EXPECT_EQ(notifications.back().text, GetParam().text);
  int progress = 0;
  for (const Notification& n : notifications) {
    EXPECT_NE(n.code, DownloadCode::kNotice) << "the digest is in the final URL";
    if (n.code == DownloadCode::kProgress) ++progress;
  }
  EXPECT_GT(progress, 0);
  EXPECT_EQ(FileMd5(site.Destination()), site.package.md5);
}

TEST_P(EveryDownloader, DestructionDuringTransferReturnsPromptlyAndReportsNothingMore) {
  PackageSite site(4 << 20);
  site.server->SetFault(site.package.targetPath, {.rate = 200'000});
  const std::filesystem::path destination = site.Destination();

  Owner owner;
  auto downloader = CreateDownloader(GetParam().type, owner.Callback(), Platform::Utf8ToWide(site.Url()),
                                     Platform::AnsiToWide(destination.string()));
  owner.Attach(downloader.get());
  downloader->StartDownload();
  ASSERT_TRUE(owner.WaitFor(DownloadCode::kProgress));

  const size_t before = owner.Count();
  const auto start = std::chrono::steady_clock::now();
  downloader.reset();
  const auto elapsed = std::chrono::steady_clock::now() - start;

  EXPECT_LT(elapsed, std::chrono::seconds(2));
  EXPECT_EQ(owner.Count(), before) << "notified while being destroyed";
  EXPECT_FALSE(std::filesystem::exists(destination));
  // The part files stay; the next downloader for the same destination discards them.
  const std::filesystem::path part =
      GetParam().type == 1 ? std::filesystem::path(destination.string() + ".part")
      : GetParam().type == 3 ? std::filesystem::path(CMTCurlDownloader::partFilePath(destination.wstring(), 0))
                             : std::filesystem::path();
  if (!part.empty()) {
    EXPECT_TRUE(std::filesystem::exists(part));
    auto next = CreateDownloader(GetParam().type, owner.Callback(), L"http://127.0.0.1:9/", destination.wstring());
    EXPECT_FALSE(std::filesystem::exists(part));
  }
}

TEST_P(EveryDownloader, EmptyDestinationEndsTheRunWithOneFailure) {
  const auto notifications = Download(GetParam().type, "http://127.0.0.1:9/software/387", "");
  ASSERT_EQ(notifications.size(), 2u);
  EXPECT_EQ(notifications[1].code, DownloadCode::kFailed);
  EXPECT_EQ(notifications[1].value, 1.0);
  EXPECT_EQ(notifications[1].text, L"");
}

TEST_P(EveryDownloader, LocalFileUrlIsCopiedUnverified) {
  TestSupport::TempDir dir;
  const std::filesystem::path source = dir / "local_package.exe";
  TestSupport::MakeTestFile(source, (1 << 20) + 4097);
  const std::filesystem::path destination = dir / "copy.exe";

  const auto notifications = Download(GetParam().type, "file://" + source.string(), destination);

  std::vector<std::wstring> notices;
  for (const Notification& n : notifications)
    if (n.code == DownloadCode::kNotice) notices.push_back(n.text);
  const std::vector<std::wstring> expected =
      GetParam().type == 1   ? std::vector<std::wstring>{Wide("curl获取url-md5失败")}
      : GetParam().type == 3 ? std::vector<std::wstring>{Wide("mtcurl获取url-md5失败")}
                             : std::vector<std::wstring>{};
  EXPECT_EQ(notices, expected);
  EXPECT_EQ(notifications.back().code, DownloadCode::kSucceeded);
  EXPECT_EQ(FileMd5(destination), FileMd5(source));
}

INSTANTIATE_TEST_SUITE_P(Downloaders, EveryDownloader, testing::Values(kSingleStream, kSystem, kSegmented), KindName);

// The two libcurl downloaders take the expected digest from the final URL.
struct DigestCase {
  const char* name;
  Kind kind;
  const char* digest;  // the package server's digest fault
  std::vector<int32_t> outline;
  const char* notice;  // text of every 1006
};

class DigestFromFinalUrl : public testing::TestWithParam<DigestCase> {};

TEST_P(DigestFromFinalUrl, DecidesBetweenSuccessRetryAndFailure) {
  const DigestCase& c = GetParam();
  PackageSite site(2 << 20);
  site.server->SetFault(site.package.requestPath, {.digest = c.digest});

  const auto notifications = Download(c.kind.type, site.Url(), site.Destination());

  std::vector<int32_t> outline;
  for (const Notification& n : notifications) {
    if (n.code == DownloadCode::kProgress) continue;
    outline.push_back(n.code);
    if (n.code == DownloadCode::kNotice) {
      EXPECT_EQ(n.text, Wide(c.notice));
    }
    if (n.code == DownloadCode::kFailed || n.code == DownloadCode::kRetry) {
      EXPECT_EQ(n.value, 0.0);
      EXPECT_EQ(n.text, L"LibCurl");
    }
  }
  EXPECT_EQ(outline, c.outline);
  const auto gets = site.PackageGets();
  if (notifications.back().code == DownloadCode::kSucceeded) {
    EXPECT_EQ(FileMd5(site.Destination()), site.package.md5);
  } else {
    // The retry fetched the whole file again, from byte 0.
    ASSERT_EQ(gets.size(), 2u);
    for (const auto& get : gets) EXPECT_TRUE(get.range.empty() || get.range == "bytes=0-2097151") << get.range;
  }
}

const std::vector<int32_t> kMismatchTwice{1001, 1006, 1005, 1001, 1006, 1004};
const std::vector<int32_t> kUnverified{1001, 1006, 1003};

INSTANTIATE_TEST_SUITE_P(
    LibCurlDownloaders, DigestFromFinalUrl,
    testing::Values(DigestCase{"single_wrong", kSingleStream, "wrong", kMismatchTwice, "curl文件md5校验失败"},
                    DigestCase{"single_upper_case", kSingleStream, "upper", kMismatchTwice, "curl文件md5校验失败"},
                    DigestCase{"single_none", kSingleStream, "none", kUnverified, "curl获取url-md5失败"},
                    DigestCase{"segmented_wrong", kSegmented, "wrong", kMismatchTwice, "mtcurl文件md5校验失败"},
                    DigestCase{"segmented_upper_case", kSegmented, "upper", kMismatchTwice, "mtcurl文件md5校验失败"},
                    DigestCase{"segmented_none", kSegmented, "none", kUnverified, "mtcurl获取url-md5失败"}),
    [](const testing::TestParamInfo<DigestCase>& info) { return std::string(info.param.name); });

TEST(CreateDownloader, ChoosesByDownloadType) {
  struct Case {
    int32_t type;
    const char* expected;
  };
  for (const Case& c : {Case{0, "single"}, Case{1, "single"}, Case{2, "system"}, Case{3, "segmented"},
                        Case{4, "single"}, Case{7, "single"}, Case{-1, "single"}}) {
    auto d = CreateDownloader(c.type, nullptr, L"http://127.0.0.1:9/", L"");
    const char* kind = dynamic_cast<CCurlDownloader*>(d.get())     ? "single"
                       : dynamic_cast<CWinDownloader*>(d.get())    ? "system"
                       : dynamic_cast<CMTCurlDownloader*>(d.get()) ? "segmented"
                                                                   : "?";
    EXPECT_STREQ(kind, c.expected) << "DownloadType " << c.type;
  }
}

}  // namespace
