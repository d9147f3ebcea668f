// The record buffer's own rules, with a sender that answers as told: capacity, batch order,
// re-insertion after a failed batch, and the staging file.

#include "analytics/sdk/record_buffer.h"

#include <gtest/gtest.h>

#include <functional>

#include "analytics/sdk/value_node.h"
#include "tests/analytics/analytics_test_support.h"

namespace usage_analytics {
namespace {

using analytics_test::ReadFile;
using analytics_test::ScratchFolder;
using analytics_test::WriteFile;

utils::ObjectNode Record(int n) {
  utils::ObjectNode record;
  record.SetValue("n", ValueNode::Int(n));
  return record;
}

std::string Line(int n) { return "{\"n\":" + std::to_string(n) + "}"; }

// Remembers every batch; accepts or refuses as set, and may run something while "on the wire".
class ScriptedSender : public BatchSender {
 public:
  struct State {
    std::vector<std::string> batches;
    bool accept = true;
    std::function<void()> whileSending;
  };
  explicit ScriptedSender(State& state) : state_(state) {}
  bool SendBatch(const std::string& batch) override {
    state_.batches.push_back(batch);
    if (state_.whileSending) state_.whileSending();
    return state_.accept;
  }

 private:
  State& state_;
};

std::vector<int> Numbers(const std::vector<std::string>& lines) {
  std::vector<int> numbers;
  for (const auto& line : lines) numbers.push_back(std::stoi(line.substr(5)));
  return numbers;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> numbers;
  for (int n = first; n <= last; ++n) numbers.push_back(n);
  return numbers;
}

TEST(RecordBuffer, KeepsTheNewest1024Records) {
  ScriptedSender::State state;
  RecordBuffer buffer(std::make_unique<ScriptedSender>(state), "");
  for (int n = 1; n <= 1025; ++n) buffer.Add(Record(n));
  EXPECT_EQ(Numbers(buffer.Records()), Range(2, 1025));
}

TEST(RecordBuffer, FlushSendsOneBatchOfAtMostThirtyOldestFirst) {
  ScriptedSender::State state;
  RecordBuffer buffer(std::make_unique<ScriptedSender>(state), "");
  EXPECT_TRUE(buffer.Flush());  // an empty buffer is a success without any request
  EXPECT_TRUE(state.batches.empty());
  for (int n = 1; n <= 31; ++n) buffer.Add(Record(n));
  EXPECT_TRUE(buffer.Flush());
  ASSERT_EQ(state.batches.size(), 1u);
  std::string expected = "[";
  for (int n = 1; n <= 30; ++n) expected += (n > 1 ? "," : "") + Line(n);
  EXPECT_EQ(state.batches[0], expected + "]");
  EXPECT_EQ(Numbers(buffer.Records()), Range(31, 31));
}

TEST(RecordBuffer, FailedBatchReturnsToTheFrontWithinCapacity) {
  const struct {
    int arrivingMeanwhile;
    std::vector<int> expectedFront;  // what leads the buffer afterwards
    size_t expectedSize;
  } cases[] = {
      {0, Range(1, 30), 30},
      {10, Range(1, 30), 40},
      // 1000 records arrive while the batch is out: room for 24, the newest 24 of the batch.
      {1000, Range(7, 30), 1024},
      {1024, {}, 1024},
  };
  for (const auto& c : cases) {
    ScriptedSender::State state;
    RecordBuffer buffer(std::make_unique<ScriptedSender>(state), "");
    for (int n = 1; n <= 30; ++n) buffer.Add(Record(n));
    state.accept = false;
    state.whileSending = [&] {
      for (int n = 0; n < c.arrivingMeanwhile; ++n) buffer.Add(Record(100000 + n));
    };
    EXPECT_FALSE(buffer.Flush());
    const std::vector<int> numbers = Numbers(buffer.Records());
    EXPECT_EQ(numbers.size(), c.expectedSize);
    EXPECT_EQ(std::vector<int>(numbers.begin(), numbers.begin() + static_cast<ptrdiff_t>(c.expectedFront.size())),
              c.expectedFront)
        << c.arrivingMeanwhile;
    if (c.arrivingMeanwhile > 0) {
      EXPECT_EQ(numbers.back(), 100000 + c.arrivingMeanwhile - 1);
    }
  }
}

TEST(RecordBuffer, FlushAllStopsAtTheFirstFailedBatch) {
  ScriptedSender::State state;
  RecordBuffer buffer(std::make_unique<ScriptedSender>(state), "");
  for (int n = 1; n <= 65; ++n) buffer.Add(Record(n));
  state.whileSending = [&] { state.accept = state.batches.size() < 2; };
  EXPECT_FALSE(buffer.FlushAll());
  EXPECT_EQ(state.batches.size(), 2u);
  EXPECT_EQ(Numbers(buffer.Records()), Range(31, 65));
}

TEST(RecordBuffer, StagingCarriesUnsentRecordsToTheNextBuffer) {
  ScratchFolder folder;
  const std::string staging = folder.File("App_PWSStaging.txt");
  {
    ScriptedSender::State state;
    RecordBuffer buffer(std::make_unique<ScriptedSender>(state), staging);
    for (int n = 1; n <= 3; ++n) buffer.Add(Record(n));
    buffer.Close();
    buffer.Add(Record(99));  // a closed buffer takes nothing more
  }
  EXPECT_EQ(ReadFile(staging), Line(1) + "\n" + Line(2) + "\n" + Line(3) + "\n");

  ScriptedSender::State state;
  RecordBuffer next(std::make_unique<ScriptedSender>(state), staging);
  next.Add(Record(4));
  EXPECT_TRUE(next.FlushAll());
  ASSERT_EQ(state.batches.size(), 1u);
  EXPECT_EQ(state.batches[0], "[" + Line(1) + "," + Line(2) + "," + Line(3) + "," + Line(4) + "]");
  EXPECT_EQ(ReadFile(staging), "");  // loaded once, emptied, so nothing is sent twice
  next.Close();
  EXPECT_EQ(ReadFile(staging), "");
}

TEST(RecordBuffer, StagingLoadKeepsOnlyJsonObjectLinesAndNoMoreThanTheRoom) {
  ScratchFolder folder;
  const std::string staging = folder.File("staging.txt");
  WriteFile(staging, Line(1) + "\n" +
                         "not a record\n"
                         "\n"
                         "{\"cut\":\n"
                         "{junk}\n"
                         "[1,2]\n" +
                         Line(2) + "\r\n" + Line(3));
  ScriptedSender::State state;
  RecordBuffer buffer(std::make_unique<ScriptedSender>(state), staging);
  EXPECT_TRUE(buffer.FlushAll());
  ASSERT_EQ(state.batches.size(), 1u);
  EXPECT_EQ(state.batches[0], "[" + Line(1) + "," + Line(2) + "," + Line(3) + "]");

  // With only two places free, the last two staged records are taken, ahead of the buffered ones.
  std::string many;
  for (int n = 1; n <= 5; ++n) many += Line(n) + "\n";
  WriteFile(staging, many);
  ScriptedSender::State fullState;
  RecordBuffer full(std::make_unique<ScriptedSender>(fullState), staging);
  for (int n = 1000; n < 1000 + 1022; ++n) full.Add(Record(n));
  fullState.accept = false;
  EXPECT_FALSE(full.Flush());
  const std::vector<int> numbers = Numbers(full.Records());
  ASSERT_EQ(numbers.size(), 1024u);
  EXPECT_EQ(numbers[0], 4);
  EXPECT_EQ(numbers[1], 5);
  EXPECT_EQ(numbers[2], 1000);
}

}  // namespace
}  // namespace usage_analytics
