// The collector, fed with batches encoded here the way the analytics transport encodes them
// (gzip, Base64, percent-encoding) and posted with libcurl.

#include <gtest/gtest.h>
#include <json/json.h>
#include <zlib.h>

#include <random>
#include <thread>

#include "tests/peers/http_fetch.h"
#include "tests/support/peers.h"

namespace {

using namespace TestSupport;
using namespace std::chrono_literals;

std::string Gzip(const std::string& text) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, text.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string Base64(const std::string& bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[group >> 18];
    out += kAlphabet[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
  }
  return out;
}

std::string PercentEncode(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += c;
    } else {
      out += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return out;
}

std::string BatchBody(const std::string& jsonArray) {
  return "data_list=" + PercentEncode(Base64(Gzip(jsonArray))) + "&gzip=1";
}

Json::Value Parse(const std::string& text) {
  Json::Value value;
  std::istringstream in(text);
  in >> value;
  return value;
}

class CollectorTest : public ::testing::Test {
 protected:
  TempDir dir{"qv-collector"};
  Collector collector{dir / "records.jsonl"};

  FetchResult PostBatch(const std::string& body, std::string_view path = "/collect?project=pc", long timeoutMs = 10000) {
    return Fetch(collector.Url(path), {.method = "POST", .body = body, .timeoutMs = timeoutMs});
  }
};

size_t Base64Padding(const std::string& batch) {
  const std::string text = Base64(Gzip(batch));
  return text.size() - 1 - text.find_last_not_of('=');
}

// The batch with a filler property grown until its encoding ends in `padding` "=" characters.
std::string WithPadding(const std::string& batchHead, size_t padding) {
  for (std::string filler;; filler += 'x') {
    const std::string batch = batchHead + R"(,"pad":")" + filler + "\"}]";
    if (Base64Padding(batch) == padding) return batch;
  }
}

TEST_F(CollectorTest, AppendsEachRecordOfEachBatchAsOneLine) {
  const std::vector<std::string> batches = {
      WithPadding(R"([{"event":"$AppStart","properties":{"pw_step":"开始安装","n":1}},{"event":"b")", 2),
      WithPadding(R"([{"event":"with \"quotes\" and \\ / + = &","time":1700000000000)", 1),
      WithPadding(R"([{"a":[1,2,{"b":null}]},{"c":true},{"d":-1.5e3)", 0),
  };
  std::vector<Json::Value> expected;
  for (const std::string& batch : batches) {
    const FetchResult posted = PostBatch(BatchBody(batch));
    EXPECT_EQ(posted.code, CURLE_OK);
    EXPECT_EQ(posted.status, 200) << posted.body;
    for (const Json::Value& record : Parse(batch)) expected.push_back(record);
  }
  const std::vector<std::string> records = collector.Records();
  ASSERT_EQ(records.size(), expected.size());
  for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(Parse(records[i]), expected[i]) << records[i];
  EXPECT_EQ(records[0].find('\n'), std::string::npos);
  EXPECT_NE(records[0].find("开始安装"), std::string::npos);  // stored as UTF-8, not escaped

  const std::vector<CollectedPost> log = collector.RequestLog();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].target, "/collect?project=pc");
  EXPECT_EQ(log[0].stored, 2u);
}

TEST_F(CollectorTest, AcceptsBatchesLargerThanAFormFieldLimitOnAnyPath) {
  // Thirty records of random text barely compress: the body is far beyond 8 KiB.
  std::mt19937 random(7);
  std::string batch = "[";
  for (int i = 0; i < 30; ++i) {
    std::string text;
    for (int j = 0; j < 1500; ++j) text += static_cast<char>('a' + random() % 26);
    batch += std::string(i ? "," : "") + R"({"event":"e)" + std::to_string(i) + R"(","text":")" + text + "\"}";
  }
  batch += "]";
  const std::string body = BatchBody(batch);
  ASSERT_GT(body.size(), 30000u);
  EXPECT_EQ(PostBatch(body, "/any/path").status, 200);
  EXPECT_EQ(collector.Records().size(), 30u);
}

TEST_F(CollectorTest, RefusesMalformedBodiesWithoutStoringAnything) {
  const std::string good = Base64(Gzip(R"([{"a":1}])"));
  std::string bomb(17 << 20, '[');  // inflates beyond the 16 MiB a batch may hold
  const std::pair<const char*, std::string> cases[] = {
      {"empty body", ""},
      {"no data_list", "gzip=1"},
      {"data_list twice", "data_list=" + PercentEncode(good) + "&data_list=" + PercentEncode(good) + "&gzip=1"},
      {"bad percent escape", "data_list=%G1&gzip=1"},
      {"truncated percent escape", "data_list=" + PercentEncode(good) + "%2&gzip=1"},
      {"not Base64", "data_list=!!!!&gzip=1"},
      {"Base64 of the wrong length", "data_list=" + PercentEncode(good.substr(1)) + "&gzip=1"},
      {"not gzip", "data_list=" + PercentEncode(Base64("plain text")) + "&gzip=1"},
      {"truncated gzip", "data_list=" + PercentEncode(Base64(Gzip(R"([{"a":1}])").substr(0, 12))) + "&gzip=1"},
      {"bytes after the gzip data", "data_list=" + PercentEncode(Base64(Gzip(R"([{"a":1}])") + "xx")) + "&gzip=1"},
      {"gzip bomb", "data_list=" + PercentEncode(Base64(Gzip(bomb))) + "&gzip=1"},
      {"unknown gzip flag", "data_list=" + PercentEncode(good) + "&gzip=2"},
      {"not JSON", BatchBody("[{\"a\":1}")},
      {"JSON but not an array", BatchBody(R"({"a":1})")},
      {"a record that is not an object", BatchBody(R"([{"a":1},2])")},
      {"text after the array", BatchBody(R"([{"a":1}] [])")},
  };
  for (const auto& [name, body] : cases) {
    SCOPED_TRACE(name);
    const FetchResult posted = PostBatch(body);
    EXPECT_EQ(posted.code, CURLE_OK);
    EXPECT_EQ(posted.status, 400);
  }
  EXPECT_TRUE(collector.Records().empty());
  const std::vector<CollectedPost> log = collector.RequestLog();
  ASSERT_EQ(log.size(), std::size(cases));
  for (const CollectedPost& post : log) {
    EXPECT_EQ(post.status, 400);
    EXPECT_FALSE(post.note.empty());
  }
  // Still serving, and an unencoded (not gzipped) batch is understood too.
  EXPECT_EQ(PostBatch("data_list=" + PercentEncode(Base64(R"([{"plain":1}])")) + "&gzip=0").status, 200);
  EXPECT_EQ(collector.Records(), (std::vector<std::string>{R"({"plain":1})"}));
}

TEST_F(CollectorTest, CommitsEachFault) {
  const std::string body = BatchBody(R"([{"a":1}])");
  struct Case {
    const char* name;
    CollectorFault fault;
    long timeoutMs;
    CURLcode code;
    long status;
    size_t stored;
  };
  const Case cases[] = {
      {"status 500", {.status = 500}, 10000, CURLE_OK, 500, 0},
      {"status 201", {.status = 201}, 10000, CURLE_OK, 201, 0},
      {"answer past the client's timeout", {.delayMs = 1500}, 500, CURLE_OPERATION_TIMEDOUT, 0, 1},
      {"close without an answer", {.close = true}, 10000, CURLE_GOT_NOTHING, 0, 0},
  };
  size_t stored = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    collector.SetFault(c.fault);
    const FetchResult posted = PostBatch(body, "/collect", c.timeoutMs);
    EXPECT_EQ(posted.code, c.code);
    EXPECT_EQ(posted.status, c.status);
    if (c.fault.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(*c.fault.delayMs));
    stored += c.stored;
    EXPECT_EQ(collector.Records().size(), stored);
  }

  collector.SetFault({.acceptFirst = 2, .failStatus = 503});
  std::vector<long> statuses;
  for (int i = 0; i < 3; ++i) statuses.push_back(PostBatch(body).status);
  EXPECT_EQ(statuses, (std::vector<long>{200, 200, 503}));
  EXPECT_EQ(collector.Records().size(), stored + 2);

  collector.Reset();
  EXPECT_EQ(PostBatch(body).status, 200);
  EXPECT_EQ(collector.RequestLog().size(), 1u);
}

TEST(CollectorStartTest, AppliesFaultsGivenAtStartAndStopsCleanly) {
  TempDir dir;
  Collector collector(dir / "records.jsonl", "status=500");
  EXPECT_EQ(Fetch(collector.Url("/"), {.method = "POST", .body = BatchBody("[]")}).status, 500);
  EXPECT_THROW(collector.SetFault({.status = 99}), std::runtime_error);
  EXPECT_EQ(collector.Stop(), 0);
  EXPECT_THROW(Collector(dir / "records.jsonl", "bogus=1"), std::runtime_error);
}

}  // namespace
