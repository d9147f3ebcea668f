// The transport against a real collector on the loopback: batches and their order, what counts as
// accepted, the time limit, re-insertion after a failure, staging across runs, the send threads.

#include <gtest/gtest.h>
#include <json/json.h>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "analytics/sdk/collector_sender.h"
#include "analytics/sdk/record_buffer.h"
#include "analytics/sdk/sdk.h"
#include "analytics/sdk/send_state.h"
#include "analytics/sdk/value_node.h"
#include "tests/analytics/tracker_test_support.h"
#include "tests/support/peers.h"

namespace {

using analytics_test::ReadLines;
using analytics_test::StderrOf;
using TestSupport::Collector;
using TestSupport::CollectorFault;
using usage_analytics::RecordBuffer;
using usage_analytics::ValueNode;
using Clock = std::chrono::steady_clock;

usage_analytics::utils::ObjectNode Record(int n) {
  usage_analytics::utils::ObjectNode record;
  record.SetValue("n", ValueNode::Int(n));
  record.SetValue("text", ValueNode::String("下载 \"quoted\"\t" + std::to_string(n)));
  return record;
}

Json::Value Parse(const std::string& line) {
  Json::Value value;
  std::string errors;
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  EXPECT_TRUE(reader->parse(line.data(), line.data() + line.size(), &value, &errors)) << line << errors;
  return value;
}

std::vector<int> NumbersOf(const std::vector<std::string>& lines) {
  std::vector<int> numbers;
  for (const auto& line : lines) numbers.push_back(Parse(line)["n"].asInt());
  return numbers;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> numbers;
  for (int n = first; n <= last; ++n) numbers.push_back(n);
  return numbers;
}

std::vector<size_t> StoredPerPost(const Collector& collector) {
  std::vector<size_t> stored;
  for (const auto& post : collector.RequestLog()) stored.push_back(post.stored);
  return stored;
}

class Transport : public testing::Test {
 protected:
  std::string Url() const { return collector_.Url("/collect?project=pc"); }
  std::unique_ptr<RecordBuffer> Buffer(const std::string& staging = "") {
    return std::make_unique<RecordBuffer>(Url(), staging);
  }

  analytics_test::ScratchFolder scratch_;
  Collector collector_{scratch_.path() / "records.txt"};
};

TEST_F(Transport, SixtyFiveRecordsLeaveAsThirtyThirtyAndFiveOldestFirstAndArriveIntact) {
  auto buffer = Buffer();
  for (int n = 1; n <= 65; ++n) buffer->Add(Record(n));
  const std::vector<std::string> sent = buffer->Records();
  bool flushed = false;
  StderrOf([&] { flushed = buffer->FlushAll(); });
  EXPECT_TRUE(flushed);
  EXPECT_EQ(buffer->Size(), 0u);
  EXPECT_EQ(StoredPerPost(collector_), (std::vector<size_t>{30, 30, 5}));
  const std::vector<std::string> received = collector_.Records();
  ASSERT_EQ(received.size(), 65u);
  for (size_t i = 0; i < received.size(); ++i) EXPECT_EQ(Parse(received[i]), Parse(sent[i])) << received[i];
  for (const auto& post : collector_.RequestLog()) EXPECT_EQ(post.target, "/collect?project=pc");
  EXPECT_TRUE(usage_analytics::LastSendSucceeded());
}

TEST_F(Transport, OnlyStatus200IsAcceptedAndAFailedBatchStaysInOrder) {
  const struct {
    CollectorFault fault;
  } cases[] = {{{.status = 201}}, {{.status = 500}}, {{.status = 404}}, {{.close = true}}};
  for (const auto& c : cases) {
    collector_.SetFault(c.fault);
    auto buffer = Buffer();
    for (int n = 1; n <= 40; ++n) buffer->Add(Record(n));
    usage_analytics::SetLastSendSucceeded(true);
    std::string errors;
    bool flushed = true;
    errors = StderrOf([&] { flushed = buffer->FlushAll(); });
    EXPECT_FALSE(flushed) << c.fault.ToForm();
    EXPECT_FALSE(usage_analytics::LastSendSucceeded());
    EXPECT_NE(errors.find("[metrics] Metrics SDK send failed"), std::string::npos);
    EXPECT_NE(errors.find("Metrics SDK send failed: "), std::string::npos);
    EXPECT_EQ(NumbersOf(buffer->Records()), Range(1, 40));  // the first batch is back in front
  }
  EXPECT_TRUE(collector_.Records().empty());
}

TEST_F(Transport, ACollectorThatNeverAnswersCostsThreeSeconds) {
  collector_.SetFault({.delayMs = 20000});
  auto buffer = Buffer();
  buffer->Add(Record(1));
  const auto start = Clock::now();
  bool flushed = true;
  StderrOf([&] { flushed = buffer->Flush(); });
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_FALSE(flushed);
  EXPECT_GE(seconds, 2.9);
  EXPECT_LT(seconds, 4.0);
  EXPECT_EQ(buffer->Size(), 1u);
  collector_.Reset();
}

// Posts for real, but lets 1000 newer records arrive while the batch is on the wire.
class BusySender : public usage_analytics::BatchSender {
 public:
  BusySender(std::string url, RecordBuffer*& buffer) : sender_(std::move(url)), buffer_(buffer) {}
  bool SendBatch(const std::string& batch) override {
    for (int n = 0; n < 1000; ++n) buffer_->Add(Record(5000 + n));
    return sender_.SendBatch(batch);
  }

 private:
  usage_analytics::CollectorSender sender_;
  RecordBuffer*& buffer_;
};

TEST_F(Transport, FailedBatchReturnsOnlyAsFarAsCapacityAllows) {
  collector_.SetFault({.status = 500});
  RecordBuffer* self = nullptr;
  RecordBuffer buffer(std::make_unique<BusySender>(Url(), self), "");
  self = &buffer;
  for (int n = 1; n <= 30; ++n) buffer.Add(Record(n));
  StderrOf([&] { EXPECT_FALSE(buffer.Flush()); });
  const std::vector<int> numbers = NumbersOf(buffer.Records());
  ASSERT_EQ(numbers.size(), 1024u);
  EXPECT_EQ(std::vector<int>(numbers.begin(), numbers.begin() + 24), Range(7, 30));
  EXPECT_EQ(numbers[24], 5000);
  EXPECT_EQ(numbers.back(), 5999);
}

TEST_F(Transport, OverflowKeepsTheNewestAndSendsThemAll) {
  auto buffer = Buffer();
  for (int n = 1; n <= 1025; ++n) buffer->Add(Record(n));
  StderrOf([&] { EXPECT_TRUE(buffer->FlushAll()); });
  EXPECT_EQ(NumbersOf(collector_.Records()), Range(2, 1025));
  EXPECT_EQ(collector_.RequestLog().size(), 35u);  // 34 batches of 30 and one of 4
}

TEST(TransportTls, ACollectorWithAnUntrustedCertificateGetsNothing) {
  // Batches carry device identifiers: they go only to a collector whose certificate verifies.
  analytics_test::ScratchFolder dir;
  const std::string cert = dir.File("cert.pem"), key = dir.File("key.pem");
  ASSERT_EQ(std::system(("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
                         "-subj /CN=127.0.0.1 -keyout '" + key + "' -out '" + cert + "' 2>/dev/null").c_str()),
            0);
  httplib::SSLServer server(cert.c_str(), key.c_str());
  std::atomic<int> posts{0};
  server.Post("/collect", [&](const httplib::Request&, httplib::Response& response) {
    ++posts;
    response.status = 200;
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port, 0);
  std::thread listener([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  bool sent = true;
  const std::string errors = StderrOf([&] {
    sent = usage_analytics::Send("https://127.0.0.1:" + std::to_string(port) + "/collect", "[{\"n\":1}]", {});
  });
  server.stop();
  listener.join();
  EXPECT_FALSE(sent);
  EXPECT_EQ(posts.load(), 0);
  EXPECT_NE(errors.find("Metrics SDK send failed: "), std::string::npos) << errors;
}

// The tracker over the same collector: send threads, shutdown flushes and staging across runs.
class TrackerTransport : public analytics_test::TrackerHome {
 protected:
  std::string Url() const { return collector_.Url("/collect?project=pc"); }
  static plenwick::metrics::PwEventTask Task(const std::string& name) {
    plenwick::metrics::PwEventTask task;
    task.name = name;
    return task;
  }
  std::vector<std::string> TaskNames() const {
    std::vector<std::string> names;
    for (const auto& line : collector_.Records()) {
      const Json::Value record = Parse(line);
      if (record["event"].asString() == "PwEventTask") names.push_back(record["properties"]["pw_task_name"].asString());
    }
    return names;
  }

  plenwick::metrics::PwContextProperties none_;
  Collector collector_{home_.path() / "records.txt"};
};

TEST_F(TrackerTransport, FirstSendStepRunsOnASendThreadLaterOnesOnTheCaller) {
  usage_analytics::SetLastSendSucceeded(false);
  auto tracker = StartTracker(Url());
  const std::string first = StderrOf([&] { tracker->trackTask(Task("a"), none_); });
  EXPECT_NE(first.find("[Metrics] Sending messages asynchronously"), std::string::npos);
  tracker->waitForSenders();
  // An immediate event flushes what is pending; it too goes to a send thread, and succeeds.
  StderrOf([&] { tracker->trackCrash("c"); });
  tracker->waitForSenders();
  EXPECT_TRUE(usage_analytics::LastSendSucceeded());
  EXPECT_EQ(TaskNames(), (std::vector<std::string>{"a"}));
  const std::string later = StderrOf([&] { tracker->trackTask(Task("b"), none_); });
  EXPECT_EQ(later.find("asynchronously"), std::string::npos);
  StderrOf([&] { tracker.reset(); });  // the final flush sends "b"
  EXPECT_EQ(TaskNames(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(TrackerTransport, ImmediateEventWithNothingPendingIsNotSentByItsOwnStep) {
  auto tracker = StartTracker(Url());
  usage_analytics::SetLastSendSucceeded(true);
  StderrOf([&] { tracker->trackCrash("first"); });
  EXPECT_TRUE(collector_.Records().empty());
  StderrOf([&] { tracker.reset(); });
  // Nothing was pending at shutdown either: the record is staged, not sent.
  EXPECT_TRUE(collector_.Records().empty());
  const auto staged = ReadLines(LocalFolder() + "App.downloader_PWSStaging.txt");
  ASSERT_EQ(staged.size(), 1u);
  EXPECT_EQ(Parse(staged[0])["event"].asString(), "AppCrashed");
}

TEST_F(TrackerTransport, RecordsStagedWhileTheCollectorIsDownAreSentByTheNextRunOnce) {
  collector_.SetFault({.status = 503});
  {
    auto tracker = StartTracker(Url());
    for (const char* name : {"下载器启动", "开始下载大包", "大包下载完毕"}) tracker->trackTask(Task(name), none_);
    StderrOf([&] { tracker.reset(); });
  }
  EXPECT_TRUE(collector_.Records().empty());
  EXPECT_EQ(ReadLines(LocalFolder() + "App.downloader_PWSStaging.txt").size(), 3u);

  collector_.Reset();
  {
    auto tracker = StartTracker(Url());
    tracker->trackTask(Task("安装成功"), none_);
    StderrOf([&] { tracker.reset(); });
  }
  EXPECT_EQ(TaskNames(), (std::vector<std::string>{"下载器启动", "开始下载大包", "大包下载完毕", "安装成功"}));
  EXPECT_TRUE(ReadLines(LocalFolder() + "App.downloader_PWSStaging.txt").empty());

  // A third run has nothing left over to send again.
  {
    auto tracker = StartTracker(Url());
    tracker->trackTask(Task("third"), none_);
    StderrOf([&] { tracker.reset(); });
  }
  EXPECT_EQ(TaskNames().size(), 5u);
}

TEST_F(TrackerTransport, DestroyingTheTrackerWaitsForARunningSendThread) {
  usage_analytics::SetLastSendSucceeded(false);
  auto tracker = StartTracker(Url());
  StderrOf([&] { tracker->trackTask(Task("pending"), none_); });
  tracker->waitForSenders();
  collector_.SetFault({.delayMs = 1500});
  StderrOf([&] { tracker->trackCrash("now"); });  // its flush runs on a send thread for 1.5 s
  const auto start = Clock::now();
  StderrOf([&] { tracker.reset(); });
  EXPECT_GE(std::chrono::duration<double>(Clock::now() - start).count(), 1.0);
  EXPECT_EQ(TaskNames(), (std::vector<std::string>{"pending"}));
  EXPECT_EQ(collector_.Records().size(), 2u);  // the task and the crash, once each
}

TEST_F(TrackerTransport, FourReportingThreadsWhileFlushesRunLoseNothing) {
  auto tracker = StartTracker(Url());
  constexpr int kThreads = 4, kEach = 150;
  std::atomic<bool> done{false};
  StderrOf([&] {
    std::thread flusher([&] {
      while (!done) {
        tracker->trackCrash("flush");
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    });
    std::vector<std::thread> reporters;
    for (int t = 0; t < kThreads; ++t)
      reporters.emplace_back([&, t] {
        for (int i = 0; i < kEach; ++i) tracker->trackTask(Task(std::to_string(t) + ":" + std::to_string(i)), none_);
      });
    for (auto& r : reporters) r.join();
    done = true;
    flusher.join();
    tracker.reset();
  });
  std::vector<std::string> names = TaskNames();
  ASSERT_EQ(names.size(), static_cast<size_t>(kThreads * kEach));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());  // none twice
  // Each thread's events arrive in the order it tracked them.
  std::vector<int> next(kThreads, 0);
  for (const auto& line : collector_.Records()) {
    const Json::Value record = Parse(line);
    if (record["event"].asString() != "PwEventTask") continue;
    const std::string name = record["properties"]["pw_task_name"].asString();
    const int t = std::stoi(name.substr(0, name.find(':')));
    EXPECT_EQ(std::stoi(name.substr(name.find(':') + 1)), next[static_cast<size_t>(t)]++) << name;
  }
}

}  // namespace
