// What analytics costs the installer:
//  1. the reporting thread's time to track one deferred event (the installer's Task, Click and
//     View events), in the steady state after a successful send (the step runs on the caller) and
//     after a failed one (the step goes to a short-lived thread);
//  2. encoding one batch of 30 records (gzip -9, Base64, percent-encoding), against
//     `gzip -9 | base64` on the same bytes, in the same run.
//   qv_analytics_bench [events]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "analytics/sdk/batch_encoding.h"
#include "analytics/sdk/sdk.h"
#include "analytics/sdk/send_state.h"
#include "analytics/tracker/metrics_tracker_impl.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

struct Spread {
  double median, p90, p99;
};

Spread SpreadOf(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const auto at = [&](double q) { return samples[static_cast<size_t>(q * static_cast<double>(samples.size() - 1))]; };
  return {at(0.5), at(0.9), at(0.99)};
}

std::vector<double> TimeDeferredEvents(plenwick::metrics::MetricsTracker& tracker, int events) {
  plenwick::metrics::PwContextProperties context;
  context.setProperty({7}, "IN");
  plenwick::metrics::PwEventTask task;
  task.name = "开始下载大包";
  task.elapsed = std::make_shared<float>(0.0f);
  task.result = std::make_shared<plenwick::metrics::PwResult>(plenwick::metrics::PwResult::Success);
  std::vector<double> samples;
  samples.reserve(static_cast<size_t>(events));
  for (int i = 0; i < events; ++i) {
    const auto start = Clock::now();
    tracker.trackTask(task, context);
    samples.push_back(Microseconds(Clock::now() - start));
  }
  return samples;
}

double ShellSeconds(const std::string& command) {
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int events = argc > 1 ? std::atoi(argv[1]) : 5000;
  const fs::path home = fs::temp_directory_path() / ("qv-analytics-bench-" + std::to_string(::getpid()));
  fs::create_directories(home);
  setenv("XDG_STATE_HOME", home.c_str(), 1);

  plenwick::metrics::TrackerConfig config;
  config.appName = "Quorvane.downloader";
  config.appVersion = "1.7.9";
  config.appStore = "QuorvaneSetup.exe";
  config.dlAppId = "Quorvane";
  config.serverUrl = "http://127.0.0.1:1/collect?project=pc";  // nothing is sent during the run
  std::string batch;
  {
    auto impl = std::make_unique<plenwick::metrics::MetricsTrackerImpl>(config);
    impl->init();

    usage_analytics::SetLastSendSucceeded(true);
    TimeDeferredEvents(*impl, 200);  // warm-up
    const Spread onCaller = SpreadOf(TimeDeferredEvents(*impl, events));
    usage_analytics::SetLastSendSucceeded(false);
    const Spread detached = SpreadOf(TimeDeferredEvents(*impl, std::min(events, 1000)));
    impl->waitForSenders();
    std::printf("deferred event, step on the caller    median %7.2f us  p90 %7.2f us  p99 %7.2f us\n", onCaller.median,
                onCaller.p90, onCaller.p99);
    std::printf("deferred event, step on a send thread median %7.2f us  p90 %7.2f us  p99 %7.2f us\n", detached.median,
                detached.p90, detached.p99);

    const auto records = usage_analytics::Sdk::PendingRecords();
    batch = "[";
    for (size_t i = 0; i < 30 && i < records.size(); ++i) batch += (i ? "," : "") + records[records.size() - 1 - i];
    batch += "]";
    usage_analytics::SetLastSendSucceeded(false);
    // The pending records are staged by the destructor; the scratch home goes with them.
    fs::path staging = impl->stagingPath();
    impl.reset();
    fs::remove(staging);
  }

  // One batch of 30 records.
  const int rounds = 500;
  size_t bodySize = 0;
  const auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) bodySize = usage_analytics::EncodeBatchBody(batch)->size();
  const double oursMs = Microseconds(Clock::now() - start) / rounds / 1000.0;

  const fs::path batchFile = home / "batch.json";
  std::ofstream(batchFile, std::ios::binary) << batch;
  const std::string pipeline = "gzip -9 -c '" + batchFile.string() + "' | base64 -w0 > /dev/null";
  double theirsMs = 1e30;
  for (int i = 0; i < 20; ++i) theirsMs = std::min(theirsMs, ShellSeconds(pipeline) * 1000.0);

  // The codec alone, without process start-up: 2000 batches' worth of bytes through each.
  std::string many;
  for (int i = 0; i < 2000; ++i) many += batch;
  const fs::path manyFile = home / "many.json";
  std::ofstream(manyFile, std::ios::binary) << many;
  const auto bulkStart = Clock::now();
  const size_t bulkBody = usage_analytics::EncodeBatchBody(many)->size();
  const double oursBulk = Microseconds(Clock::now() - bulkStart) / 1e6;
  const double theirsBulk = ShellSeconds("gzip -9 -c '" + manyFile.string() + "' | base64 -w0 > /dev/null");

  std::printf("batch of 30 records: %zu bytes of JSON, %zu bytes of form body\n", batch.size(), bodySize);
  std::printf("encode one batch      ours %8.3f ms   gzip -9 | base64 %8.3f ms (best of 20, with process start)  ratio %.1fx\n",
              oursMs, theirsMs, theirsMs / oursMs);
  std::printf("encode %5.1f MiB      ours %8.3f s    gzip -9 | base64 %8.3f s   ratio %.2fx  (body %zu bytes)\n",
              static_cast<double>(many.size()) / (1 << 20), oursBulk, theirsBulk, theirsBulk / oursBulk, bulkBody);
  fs::remove_all(home);
  return 0;
}
