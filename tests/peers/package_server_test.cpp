// The package server and the nginx configuration, driven with libcurl: redirects, byte ranges,
// HEAD, every fault switch, the request log, publishing and a clean stop.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "tests/peers/http_fetch.h"
#include "tests/support/peers.h"

namespace {

using namespace TestSupport;
using namespace std::chrono_literals;

constexpr uint64_t kPackageSize = 300001;
const std::string kFileName = "Quorvane setup.exe";
const std::string kEncodedName = "Quorvane%20setup.exe";

std::string Pattern(uint64_t first, uint64_t count) {
  std::string bytes;
  for (uint64_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>(PatternByte(first + i)));
  return bytes;
}

// A published package in a publish folder of its own.
struct PublishFolder {
  TempDir dir{"qv-packages"};
  std::filesystem::path root = dir / "publish";
  PublishedPackage package;

  PublishFolder() {
    MakeTestFile(dir / "package.bin", kPackageSize);
    package = PublishPackage(dir / "package.bin", "387", root, {.fileName = kFileName});
  }
};

// What a contract test needs from a server: the package server or nginx.
class ServerUnderTest {
 public:
  virtual ~ServerUnderTest() = default;
  virtual std::string Url(std::string_view path) const = 0;
};

template <typename Server>
class Running : public ServerUnderTest {
 public:
  explicit Running(const std::filesystem::path& root) : server_(root) {}
  std::string Url(std::string_view path) const override { return server_.Url(path); }

 private:
  Server server_;
};

using ServerFactory = std::unique_ptr<ServerUnderTest> (*)(const std::filesystem::path&);

struct ServerKind {
  const char* name;
  ServerFactory start;
};

class PackageContractTest : public ::testing::TestWithParam<ServerKind> {
 protected:
  PublishFolder folder;
  std::unique_ptr<ServerUnderTest> server = GetParam().start(folder.root);
};

TEST_P(PackageContractTest, RedirectsThePublishedIdToTheDigestPathAndServesTheFile) {
  const FetchResult head = Fetch(server->Url("/software/387"), {.method = "HEAD", .follow = false});
  EXPECT_EQ(head.status, 302);
  EXPECT_TRUE(head.Header("location").ends_with("/" + folder.package.md5 + "/" + kEncodedName))
      << head.Header("location");
  EXPECT_EQ(folder.package.md5, FileMd5(folder.dir / "package.bin"));

  const FetchResult get = Fetch(server->Url("/software/387"));
  EXPECT_EQ(get.code, CURLE_OK);
  EXPECT_EQ(get.status, 200);
  EXPECT_EQ(get.redirects, 1);
  EXPECT_TRUE(get.effectiveUrl.ends_with(folder.package.targetPath)) << get.effectiveUrl;
  EXPECT_EQ(get.body, Pattern(0, kPackageSize));
  EXPECT_EQ(get.contentLength, static_cast<curl_off_t>(kPackageSize));

  EXPECT_EQ(Fetch(server->Url("/software/388")).status, 404);
}

TEST_P(PackageContractTest, HeadAnnouncesTheLengthAndTheBodyIsNeverEncoded) {
  const FetchResult head = Fetch(server->Url(folder.package.targetPath), {.method = "HEAD"});
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.Header("content-length"), std::to_string(kPackageSize));
  EXPECT_TRUE(head.body.empty());

  const FetchResult get =
      Fetch(server->Url(folder.package.targetPath), {.acceptEncoding = "gzip, deflate"});
  EXPECT_EQ(get.Header("content-encoding"), "");
  EXPECT_EQ(get.body.size(), kPackageSize);
}

struct RangeCase {
  const char* name;
  std::string range;
  long status;
  uint64_t first;  // of the expected body
  uint64_t count;
};

TEST_P(PackageContractTest, AnswersByteRangesWithExactlyTheRequestedBytes) {
  const RangeCase cases[] = {
      {"first byte", "0-0", 206, 0, 1},
      {"middle", "150000-150999", 206, 150000, 1000},
      {"last byte", "300000-300000", 206, 300000, 1},
      {"from an offset on", "299000-", 206, 299000, 1001},
      {"last byte beyond the end", "299990-999999999", 206, 299990, 11},
      {"first byte at the end", "300001-", 416, 0, 0},
      {"first byte beyond the end", "999999-1000000", 416, 0, 0},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const FetchResult got = Fetch(server->Url(folder.package.targetPath), {.range = c.range});
    EXPECT_EQ(got.status, c.status);
    if (c.status == 206) {
      EXPECT_EQ(got.body, Pattern(c.first, c.count));
      EXPECT_EQ(got.Header("content-range"), "bytes " + std::to_string(c.first) + "-" +
                                                 std::to_string(c.first + c.count - 1) + "/" +
                                                 std::to_string(kPackageSize));
    } else {
      EXPECT_EQ(got.Header("content-range"), "bytes */" + std::to_string(kPackageSize));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, PackageContractTest,
    ::testing::Values(
        ServerKind{"PackageServer",
                   [](const std::filesystem::path& root) -> std::unique_ptr<ServerUnderTest> {
                     return std::make_unique<Running<PackageServer>>(root);
                   }},
        ServerKind{"Nginx",
                   [](const std::filesystem::path& root) -> std::unique_ptr<ServerUnderTest> {
                     return std::make_unique<Running<NginxPackageServer>>(root);
                   }}),
    [](const ::testing::TestParamInfo<ServerKind>& info) { return std::string(info.param.name); });

class PackageServerTest : public ::testing::Test {
 protected:
  PublishFolder folder;
  PackageServer server{folder.root};
  std::string fileUrl = server.Url(folder.package.targetPath);
};

TEST_F(PackageServerTest, NeverAnswersOtherBytesThanARangeAsks) {
  // Malformed ranges are refused; several ranges are answered with the whole body, as HTTP allows.
  const RangeCase cases[] = {
      {"last before first", "5-2", 416, 0, 0},
      {"not numbers", "x-y", 416, 0, 0},
      {"several ranges", "0-1,5-6", 200, 0, kPackageSize},
      {"suffix", "-10", 206, kPackageSize - 10, 10},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const FetchResult got = Fetch(fileUrl, {.range = c.range});
    EXPECT_EQ(got.status, c.status);
    EXPECT_EQ(got.body, Pattern(c.first, c.count));
  }
}

TEST_F(PackageServerTest, ServesOffsetsBeyondFourGibibytesOfASparseFile) {
  const uint64_t size = (5ull << 30) + 7;  // beyond 32-bit sizes and offsets
  std::filesystem::create_directories(folder.root / "big");
  MakeTestFile(folder.root / "big" / "package.exe", size, FileFill::Sparse);
  const std::string url = server.Url("/big/package.exe");

  EXPECT_EQ(Fetch(url, {.method = "HEAD"}).Header("content-length"), std::to_string(size));
  const FetchResult tail = Fetch(url, {.range = std::to_string(size - 3) + "-"});
  EXPECT_EQ(tail.status, 206);
  EXPECT_EQ(tail.body, Pattern(size - 3, 3));
  const FetchResult middle = Fetch(url, {.range = "3221225472-3221225475"});
  EXPECT_EQ(middle.body, std::string(4, '\0'));
}

TEST_F(PackageServerTest, ServesNothingOutsideThePublishFolder) {
  TempDir outside;
  WriteFileBytes(outside / "secret", "secret");
  std::filesystem::create_symlink(outside / "secret", folder.root / "link");
  for (const char* path : {"/../package.bin", "/%2e%2e/package.bin", "/link", "/packages.map/", "/"}) {
    SCOPED_TRACE(path);
    const FetchResult got = Fetch(server.Url(path));
    EXPECT_EQ(got.status, 404);
    EXPECT_EQ(got.body.find("secret"), std::string::npos);
  }
}

struct FaultCase {
  const char* name;
  PackageFault fault;
  FetchOptions request;
  CURLcode code;
  long status;
  uint64_t bodySize;
  const char* loggedFault;
};

TEST_F(PackageServerTest, CommitsEachFaultOnTheFaultedPathOnly) {
  const FaultCase cases[] = {
      {"status 404", {.status = 404}, {}, CURLE_OK, 404, 4, "status"},
      {"status 500", {.status = 500}, {}, CURLE_OK, 500, 4, "status"},
      {"status 201 keeps the body", {.status = 201}, {}, CURLE_OK, 201, kPackageSize, "status"},
      {"status 416", {.status = 416}, {.range = "0-9"}, CURLE_OK, 416, 4, "status"},
      {"drop after 1000 bytes", {.dropAfter = 1000}, {}, CURLE_PARTIAL_FILE, 200, 1000, "drop"},
      {"drop inside a range", {.dropAfter = 10}, {.range = "100-199"}, CURLE_PARTIAL_FILE, 206, 10, "drop"},
      {"drop before the body", {.dropAfter = 0}, {}, CURLE_PARTIAL_FILE, 200, 0, "drop"},
      {"ignore Range", {.ignoreRange = true}, {.range = "10-19"}, CURLE_OK, 200, kPackageSize, "ignore_range"},
      {"no Content-Length", {.noLength = true}, {}, CURLE_OK, 200, kPackageSize, "no_length"},
      {"stall released after a pause", {.stallAfter = 5000, .stallMs = 300}, {}, CURLE_OK, 200, kPackageSize, "stall"},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    server.Reset();
    server.SetFault(folder.package.targetPath, c.fault);
    const FetchResult got = Fetch(fileUrl, c.request);
    EXPECT_LT(got.elapsed, 3s);  // a body without a length ends with the connection, at once
    EXPECT_EQ(got.code, c.code);
    EXPECT_EQ(got.status, c.status);
    EXPECT_EQ(got.body.size(), c.bodySize);
    if (got.body.size() == kPackageSize || c.code == CURLE_PARTIAL_FILE) {
      EXPECT_EQ(got.body, Pattern(c.request.range.empty() || c.fault.ignoreRange ? 0 : 100, got.body.size()));
    }
    // The redirect path is not faulted.
    EXPECT_EQ(Fetch(server.Url("/software/387"), {.follow = false}).status, 302);

    const std::vector<ServedRequest> log = server.RequestLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].target, "/" + folder.package.md5 + "/" + kEncodedName);
    EXPECT_EQ(log[0].range, c.request.range.empty() ? "" : "bytes=" + c.request.range);
    EXPECT_EQ(log[0].status, c.status);
    EXPECT_EQ(log[0].faults, c.loggedFault);
    if (c.status < 300) {
      EXPECT_EQ(log[0].sent, c.bodySize);
    }
    EXPECT_EQ(log[1].faults, "");
  }
  const FetchResult unlengthed = [&] {
    server.SetFault(folder.package.targetPath, {.noLength = true});
    return Fetch(fileUrl);
  }();
  EXPECT_EQ(unlengthed.Header("content-length"), "");
}

TEST_F(PackageServerTest, FailsTheFirstRequestsThenSucceeds) {
  server.SetFault("*", {.failFirst = 2, .failStatus = 503});
  std::vector<long> statuses;
  for (int i = 0; i < 3; ++i) statuses.push_back(Fetch(fileUrl).status);
  EXPECT_EQ(statuses, (std::vector<long>{503, 503, 200}));

  // A path with faults of its own is not counted against "*".
  server.Reset();
  server.SetFault("*", {.failFirst = 1});
  server.SetFault("/software/387", {.redirects = 1});
  EXPECT_EQ(Fetch(server.Url("/software/387"), {.follow = false}).status, 302);
  EXPECT_EQ(Fetch(fileUrl).status, 500);
  EXPECT_EQ(Fetch(fileUrl).status, 200);
}

TEST_F(PackageServerTest, RedirectChainsAddHopsBeforeTheNormalAnswer) {
  server.SetFault("/software/387", {.redirects = 3});
  const FetchResult got = Fetch(server.Url("/software/387"));
  EXPECT_EQ(got.code, CURLE_OK);
  EXPECT_EQ(got.redirects, 4);  // three hops, then the digest path
  EXPECT_TRUE(got.effectiveUrl.ends_with(folder.package.targetPath)) << got.effectiveUrl;
  EXPECT_EQ(got.body.size(), kPackageSize);

  EXPECT_EQ(Fetch(server.Url("/software/387"), {.maxRedirects = 2}).code, CURLE_TOO_MANY_REDIRECTS);

  // A chain on the file keeps its last two segments, digest and name.
  server.SetFault(folder.package.targetPath, {.redirects = 2});
  const FetchResult file = Fetch(fileUrl);
  EXPECT_EQ(file.redirects, 2);
  EXPECT_TRUE(file.effectiveUrl.ends_with("/_hop/0" + folder.package.targetPath)) << file.effectiveUrl;
  EXPECT_EQ(file.body.size(), kPackageSize);
}

TEST_F(PackageServerTest, DigestFaultsChangeTheRedirectButTheFileStillArrives) {
  std::string wrong = folder.package.md5;
  wrong.back() = wrong.back() == 'f' ? '0' : static_cast<char>(wrong.back() == '9' ? 'a' : wrong.back() + 1);
  std::string upper = folder.package.md5;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::pair<std::string, std::string> cases[] = {
      {"wrong", "/" + wrong + "/" + kEncodedName},
      {"upper", "/" + upper + "/" + kEncodedName},
      {"none", "/_nodigest/" + kEncodedName},
      {"0123456789abcdef0123456789abcdef", "/0123456789abcdef0123456789abcdef/" + kEncodedName},
  };
  for (const auto& [digest, path] : cases) {
    SCOPED_TRACE(digest);
    server.SetFault("/software/387", {.digest = digest});
    const FetchResult got = Fetch(server.Url("/software/387"));
    EXPECT_TRUE(got.effectiveUrl.ends_with(path)) << got.effectiveUrl;
    EXPECT_EQ(got.body, Pattern(0, kPackageSize));
  }
}

TEST_F(PackageServerTest, LimitsTheRateOfEachConnection) {
  server.SetFault(folder.package.targetPath, {.rate = 600000});  // about half a second for the file
  const FetchResult got = Fetch(fileUrl);
  EXPECT_EQ(got.body.size(), kPackageSize);
  EXPECT_GE(got.elapsed, 400ms);
  EXPECT_LT(got.elapsed, 3s);
}

TEST_F(PackageServerTest, AStallHoldsTheConnectionUntilTheFaultsChange) {
  server.SetFault(folder.package.targetPath, {.stallAfter = 2000});
  const FetchResult stalled = Fetch(fileUrl, {.timeoutMs = 500});
  EXPECT_EQ(stalled.code, CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(stalled.body.size(), 2000u);
  EXPECT_EQ(server.RequestLog().at(0).faults, "stall");

  server.ClearFault(folder.package.targetPath);
  EXPECT_EQ(Fetch(fileUrl).body.size(), kPackageSize);
}

TEST(PackageServerStartTest, AppliesFaultsGivenAtStartAndRefusesBadOnes) {
  PublishFolder folder;
  PackageServer server(folder.root, {"path=*&status=500"});
  EXPECT_EQ(Fetch(server.Url("/software/387")).status, 500);
  EXPECT_THROW(server.SetFault("*", {.digest = "not-a-digest"}), std::runtime_error);
  EXPECT_THROW(PackageServer(folder.root, {"path=*&bogus=1"}), std::runtime_error);
  EXPECT_THROW(PackageServer(folder.dir / "missing"), std::runtime_error);
}

TEST(PackageServerStartTest, StopsPromptlyWithIdleAndStalledConnections) {
  PublishFolder folder;
  PackageServer server(folder.root);
  server.SetFault(folder.package.targetPath, {.stallAfter = 10});
  std::thread stalled([&] { Fetch(server.Url(folder.package.targetPath), {.timeoutMs = 20000}); });
  CURL* idle = curl_easy_init();  // keeps its connection open after the answer
  curl_easy_setopt(idle, CURLOPT_URL, server.Url("/software/387").c_str());
  curl_easy_setopt(idle, CURLOPT_NOBODY, 1L);
  curl_easy_perform(idle);
  std::this_thread::sleep_for(100ms);

  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(server.Stop(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
  stalled.join();
  curl_easy_cleanup(idle);
}

TEST(PublishTest, RepublishingAnIdReplacesItsEntry) {
  TempDir dir;
  MakeTestFile(dir / "one.exe", 1000);
  WriteFileBytes(dir / "two.exe", "second package");
  const PublishedPackage first = PublishPackage(dir / "one.exe", "387", dir / "publish");
  PublishPackage(dir / "one.exe", "/download_silent/387", dir / "publish");
  const PublishedPackage second = PublishPackage(dir / "two.exe", "387", dir / "publish");
  EXPECT_EQ(second.requestPath, "/software/387");
  EXPECT_EQ(second.targetPath, "/" + FileMd5(dir / "two.exe") + "/two.exe");
  const std::string map = ReadFileBytes(dir / "publish" / "packages.map");
  EXPECT_EQ(map.find("/software/387 /" + first.md5), std::string::npos) << map;

  PackageServer server(dir / "publish");
  EXPECT_EQ(Fetch(server.Url("/software/387")).body, "second package");
  EXPECT_EQ(Fetch(server.Url("/download_silent/387")).body.size(), 1000u);
}

TEST(PublishTest, KeepsLargeFilesSparseAndRefusesBadInput) {
  TempDir dir;
  MakeTestFile(dir / "big.exe", 3ull << 30, FileFill::Sparse);
  const PublishedPackage big =
      PublishPackage(dir / "big.exe", "1", dir / "publish", {.md5 = "0123456789abcdef0123456789abcdef"});
  struct stat info {};
  ASSERT_EQ(stat((dir / "publish" / big.md5 / "big.exe").c_str(), &info), 0);
  EXPECT_EQ(static_cast<uint64_t>(info.st_size), 3ull << 30);
  EXPECT_LT(static_cast<uint64_t>(info.st_blocks) * 512, 1ull << 20);

  EXPECT_THROW(PublishPackage(dir / "missing.exe", "2", dir / "publish"), std::runtime_error);
  EXPECT_THROW(PublishPackage(dir / "big.exe", "../2", dir / "publish", {.md5 = big.md5}), std::runtime_error);
  EXPECT_THROW(PublishPackage(dir / "big.exe", "2", dir / "publish", {.md5 = "ABC"}), std::runtime_error);
}

}  // namespace
