// quorvane-fetch: one downloader run the coordinator's way, every notification on one line.

#include <gtest/gtest.h>

#include <chrono>

#include "tests/download/download_harness.h"

namespace {

using namespace DownloadTest;
using TestSupport::ChildProcess;

struct Outcome {
  std::vector<std::string> lines;
  int status;
};

Outcome RunFetch(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), QV_FETCH_PROGRAM);
  ChildProcess fetch(arguments);
  const std::string output = fetch.ReadRest(std::chrono::seconds(60));
  Outcome outcome{{}, fetch.WaitFor(std::chrono::seconds(10)).value_or(-1)};
  size_t start = 0;
  for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1)
    outcome.lines.push_back(output.substr(start, end - start));
  return outcome;
}

// The lines without the progress reports.
std::vector<std::string> Outline(const Outcome& outcome) {
  std::vector<std::string> lines;
  for (const std::string& line : outcome.lines)
    if (!line.starts_with("1002\t")) lines.push_back(line);
  return lines;
}

TEST(QuorvaneFetch, PrintsEveryNotificationAndExitsByTheOutcome) {
  PackageSite site(2 << 20);
  site.server->SetFault("/software/388", {.status = 404});
  struct Case {
    const char* type;
    std::string path;
    std::vector<std::string> outline;
    int status;
  };
  const std::vector<Case> cases{
      {"-type=1", "/software/387", {"1001\t1\t", "1003\t0\tLibCurl"}, 0},
      {"-type=2", "/software/387", {"1001\t1\t", "1003\t0\tURLDownloadToFile"}, 0},
      {"-type=3", "/software/387", {"1001\t1\t", "1003\t0\tLibCurl"}, 0},
      {"-type=2", "/software/388", {"1001\t1\t", "1004\t-2146697211\tURLDownloadToFile"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.path);
    const std::filesystem::path destination = site.dir / "fetched.exe";
    std::filesystem::remove(destination);
    const Outcome outcome = RunFetch({c.type, site.server->Url(c.path), destination.string()});
    EXPECT_EQ(Outline(outcome), c.outline);
    EXPECT_EQ(outcome.status, c.status);
    if (c.status == 0) {
      EXPECT_EQ(TestSupport::FileMd5(destination), site.package.md5);
    }
  }
}

TEST(QuorvaneFetch, AnswersARetryAndPrintsUtf8Texts) {
  PackageSite site(2 << 20);
  site.server->SetFault(site.package.requestPath, {.digest = "wrong"});
  const Outcome outcome = RunFetch({"-type=3", site.Url(), (site.dir / "fetched.exe").string()});
  EXPECT_EQ(Outline(outcome),
            (std::vector<std::string>{"1001\t1\t", "1006\t0\tmtcurl文件md5校验失败", "1005\t0\tLibCurl", "1001\t1\t",
                                      "1006\t0\tmtcurl文件md5校验失败", "1004\t0\tLibCurl"}));
  EXPECT_EQ(outcome.status, 1);
}

TEST(QuorvaneFetch, RefusesAWrongCommandLine) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {}, {"-type=4", "http://127.0.0.1:9/", "x"}, {"-type=1", "http://127.0.0.1:9/"}, {"1", "u", "x"}}) {
    const Outcome outcome = RunFetch(arguments);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_TRUE(outcome.lines.empty());
  }
}

}  // namespace
