// The downloaders against the tools a user would pick, on the same loopback package server and the
// same 1 GiB file, in one run:
//   unlimited:        CCurlDownloader vs `curl -o`, CMTCurlDownloader vs `aria2c -x2 -s2`
//   50 MB/s per connection: CCurlDownloader, CMTCurlDownloader, `aria2c -x2 -s2`
// and the peak resident memory of quorvane-fetch during the 1 GiB download. Our downloaders are
// timed to 1003, which includes their MD5 check of the file; that check is also timed on its own.

#include <curl/curl.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "download/downloader_factory.h"
#include "download/file_digest.h"
#include "platform/codepage.h"
#include "tests/support/peers.h"

extern char** environ;

namespace {

constexpr uint64_t kLength = 1ull << 30;
constexpr uint64_t kLimitedRate = 50'000'000;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct ChildRun {
  double seconds = 0;
  int status = -1;
  long peakKib = 0;
};

// Runs a program to its end; its peak resident memory comes from the kernel's accounting.
ChildRun RunProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  ChildRun run;
  const auto start = Clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", args[0]);
    return run;
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = Seconds(Clock::now() - start);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.peakKib = usage.ru_maxrss;
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

// One downloader run to its end the way the coordinator drives it; seconds to 1003 or 1004.
double RunDownloader(int32_t type, const std::string& url, const std::filesystem::path& destination, bool* ok) {
  std::mutex mutex;
  std::condition_variable ended;
  int outcome = 0;
  std::unique_ptr<CDownloader> downloader;
  const auto start = Clock::now();
  downloader = CreateDownloader(
      type,
      [&](int32_t code, double, const wchar_t*) {
        if (code == 1005) return downloader->StartDownload();
        if (code != 1003 && code != 1004) return;
        std::lock_guard<std::mutex> lock(mutex);
        outcome = code;
        ended.notify_all();
      },
      Platform::Utf8ToWide(url), destination.wstring());
  downloader->StartDownload();
  {
    std::unique_lock<std::mutex> lock(mutex);
    ended.wait(lock, [&] { return outcome != 0; });
  }
  const double seconds = Seconds(Clock::now() - start);
  downloader.reset();
  *ok = outcome == 1003;
  return seconds;
}

struct Row {
  std::string name;
  std::function<bool()> run;  // true when the file arrived complete
  double best = 0;            // shortest of the repeated runs, seconds
  bool ok = true;
};

// Runs every row `repeat` times, interleaved, so that a busy moment of the machine does not fall
// on one contender only; keeps each row's best time.
void Measure(std::vector<Row>& rows, int repeat) {
  for (int i = 0; i < repeat; ++i) {
    for (Row& row : rows) {
      const auto start = Clock::now();
      const bool ok = row.run();
      const double seconds = Seconds(Clock::now() - start);
      row.ok = row.ok && ok;
      if (i == 0 || seconds < row.best) row.best = seconds;
    }
  }
  for (const Row& r : rows)
    std::printf("  %-40s %7.2f s  %8.1f MB/s%s\n", r.name.c_str(), r.best, kLength / r.best / 1e6,
                r.ok ? "" : "  (FAILED)");
}

void Ratio(const char* what, const Row& ours, const Row& theirs) {
  std::printf("  %-52s %.2f\n", what, theirs.best / ours.best);
}

}  // namespace

int main(int argc, char** argv) {
  const int repeat = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
  curl_global_init(CURL_GLOBAL_ALL);
  TestSupport::TempDir dir{"qv-download-bench"};
  std::printf("making a %llu-byte package...\n", static_cast<unsigned long long>(kLength));
  TestSupport::MakeTestFile(dir / "Quorvane_setup.exe", kLength);
  const auto package = TestSupport::PublishPackage(dir / "Quorvane_setup.exe", "387", dir / "publish", {.hardLink = true});
  TestSupport::PackageServer server(dir / "publish");
  const std::string url = server.Url(package.requestPath);
  // The same file under a second name whose redirect carries no digest: the download alone.
  TestSupport::PublishPackage(dir / "Quorvane_setup.exe", "388", dir / "publish", {.md5 = package.md5, .hardLink = true});
  server.SetFault("/software/388", {.digest = "none"});
  const std::string unverifiedUrl = server.Url("/software/388");
  const std::string finalUrl = server.Url(package.targetPath);
  const std::filesystem::path out = dir / "downloaded.exe";

  auto ours = [&](int32_t type, const std::string& from) {
    return [&, type, from] {
      std::filesystem::remove(out);
      bool ok = false;
      RunDownloader(type, from, out, &ok);
      return ok && std::filesystem::file_size(out) == kLength;
    };
  };
  auto tool = [&](std::vector<std::string> argv) {
    return [&, argv] {
      std::filesystem::remove(out);
      const ChildRun run = RunProgram(argv);
      return run.status == 0 && std::filesystem::exists(out) && std::filesystem::file_size(out) == kLength;
    };
  };
  // aria2c checking the same digest after its download, as our downloaders do.
  auto aria2Args = [&](bool verify) {
    std::vector<std::string> args{"aria2c", "-x2", "-s2", "-q", "--allow-overwrite=true",
                                  "-d", dir.path().string(), "-o", out.filename().string()};
    if (verify) args.push_back("--checksum=md5=" + package.md5);
    args.push_back(finalUrl);
    return args;
  };
  const auto curl = tool({"curl", "-s", "-f", "-o", out.string(), finalUrl});
  const auto aria2 = tool(aria2Args(false));
  const auto aria2Verified = tool(aria2Args(true));

  auto scenario = [&](const char* title) {
    std::printf("\n%s (best of %d):\n", title, repeat);
    std::vector<Row> rows{{"curl -o", curl},
                          {"CCurlDownloader (no digest in the URL)", ours(1, unverifiedUrl)},
                          {"CCurlDownloader (MD5 checked)", ours(1, url)},
                          {"aria2c -x2 -s2", aria2},
                          {"aria2c -x2 -s2 --checksum=md5", aria2Verified},
                          {"CMTCurlDownloader (no digest in the URL)", ours(3, unverifiedUrl)},
                          {"CMTCurlDownloader (MD5 checked)", ours(3, url)}};
    Measure(rows, repeat);
    return rows;
  };
  enum { kCurl, kSingle, kSingleVerified, kAria2, kAria2Verified, kSegmented, kSegmentedVerified };

  const std::vector<Row> free = scenario("no rate limit");
  Ratio("CCurlDownloader / curl, download alone:", free[kSingle], free[kCurl]);
  Ratio("CCurlDownloader / curl, with the MD5 check:", free[kSingleVerified], free[kCurl]);
  Ratio("CMTCurlDownloader / curl, download alone:", free[kSegmented], free[kCurl]);
  Ratio("CMTCurlDownloader / aria2c, download alone:", free[kSegmented], free[kAria2]);
  Ratio("CMTCurlDownloader / aria2c, both checking the MD5:", free[kSegmentedVerified], free[kAria2Verified]);

  server.SetFault(package.targetPath, {.rate = kLimitedRate});
  server.SetFault("/_nodigest/" + package.targetPath.substr(package.targetPath.rfind('/') + 1), {.rate = kLimitedRate});
  const std::string title = std::to_string(kLimitedRate) + " bytes per second per connection";
  const std::vector<Row> limited = scenario(title.c_str());
  Ratio("CMTCurlDownloader / CCurlDownloader, download alone:", limited[kSegmented], limited[kSingle]);
  Ratio("CMTCurlDownloader / CCurlDownloader, with the MD5 check:", limited[kSegmentedVerified],
        limited[kSingleVerified]);
  Ratio("CMTCurlDownloader / aria2c, download alone:", limited[kSegmented], limited[kAria2]);
  Ratio("CMTCurlDownloader / aria2c, both checking the MD5:", limited[kSegmentedVerified], limited[kAria2Verified]);
  server.Reset();

  std::printf("\npeak resident memory of quorvane-fetch (1 GiB):\n");
  for (const char* type : {"-type=1", "-type=2", "-type=3"}) {
    std::filesystem::remove(out);
    const ChildRun run = RunProgram({QV_FETCH_PROGRAM, type, url, out.string()});
    std::printf("  %s  %6.1f MiB  %6.2f s%s\n", type, run.peakKib / 1024.0, run.seconds,
                run.status == 0 ? "" : "  (FAILED)");
  }
  curl_global_cleanup();
  return 0;
}
