// Record assembly: the exact bytes of sign-up, profile and track records, event time and project
// handling, the login switch, and the no-instance rule.

#include "analytics/sdk/sdk.h"

#include <gtest/gtest.h>

#include "tests/analytics/analytics_test_support.h"

namespace usage_analytics {
namespace {

using analytics_test::FixedTimeSource;
using analytics_test::ScopedTimeSource;
using analytics_test::StderrOf;

constexpr int64_t kNow = 1700000000123;
// Random 1234 and 5678 with the clock at ...0123 give 46, 683 and 0123.
constexpr char kTrackId[] = "466830123";
constexpr char kLib[] = "\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.9\"}";

class SdkTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Sdk::Init("", "http://127.0.0.1:9/collect", "D1", false)); }
  void TearDown() override { Sdk::Shutdown(); }

  std::string LastRecord() {
    const auto records = Sdk::PendingRecords();
    return records.empty() ? std::string() : records.back();
  }

  FixedTimeSource clock_{kNow};
  ScopedTimeSource scoped_{clock_};
};

TEST_F(SdkTest, TrackRecordCarriesSuperPropertiesUnderTheCallersValues) {
  PropertiesNode super;
  super.SetString("pw_app_id", "Quorvane.downloader");
  super.SetString("$os", "Linux");
  ASSERT_TRUE(Sdk::RegisterSuperProperties(super));

  PropertiesNode properties;
  properties.SetString("pw_task_name", "\xE5\xAE\x89\xE8\xA3\x85\xE6\x88\x90\xE5\x8A\x9F");  // 安装成功
  properties.SetString("$os", "Caller");
  properties.SetNumber("pw_task_elapsed", 12.5);
  ASSERT_TRUE(Sdk::Track("PwEventTask", properties));
  EXPECT_EQ(LastRecord(),
            std::string("{\"_track_id\":") + kTrackId + ",\"distinct_id\":\"D1\",\"event\":\"PwEventTask\"," + kLib +
                ",\"properties\":{\"$lib\":\"cpp\",\"$lib_version\":\"0.9\",\"$os\":\"Caller\","
                "\"pw_app_id\":\"Quorvane.downloader\",\"pw_task_elapsed\":12.5,"
                "\"pw_task_name\":\"\xE5\xAE\x89\xE8\xA3\x85\xE6\x88\x90\xE5\x8A\x9F\"},"
                "\"time\":1700000000123,\"type\":\"track\"}");
}

TEST_F(SdkTest, SignUpThenEventsGoUnderTheLoginId) {
  ASSERT_TRUE(Sdk::Login("u1"));
  EXPECT_EQ(LastRecord(), std::string("{\"_track_id\":") + kTrackId +
                              ",\"distinct_id\":\"u1\",\"event\":\"$SignUp\"," + kLib +
                              ",\"original_id\":\"D1\",\"properties\":{\"$lib\":\"cpp\",\"$lib_version\":\"0.9\"},"
                              "\"time\":1700000000123,\"type\":\"track_signup\"}");
  EXPECT_EQ(Sdk::DistinctId(), "u1");

  ASSERT_TRUE(Sdk::Track("PwEventClick", PropertiesNode()));
  EXPECT_NE(LastRecord().find("\"distinct_id\":\"u1\""), std::string::npos);
  EXPECT_NE(LastRecord().find("\"$is_login_id\":true"), std::string::npos);
}

TEST_F(SdkTest, ProfileSetRecordHasNoEventAndNoSuperProperties) {
  PropertiesNode super;
  super.SetString("pw_app_id", "App");
  Sdk::RegisterSuperProperties(super);
  ASSERT_TRUE(Sdk::ProfileSet("pw_user_name", std::string("\xE5\xBC\xA0\xE4\xB8\x89")));  // 张三
  EXPECT_EQ(LastRecord(), std::string("{\"_track_id\":") + kTrackId + ",\"distinct_id\":\"D1\"," + kLib +
                              ",\"properties\":{\"pw_user_name\":\"\xE5\xBC\xA0\xE4\xB8\x89\"},"
                              "\"time\":1700000000123,\"type\":\"profile_set\"}");
}

TEST_F(SdkTest, ProfileOperationsNameTheirType) {
  const struct {
    bool (*operation)();
    const char* type;
    const char* properties;
  } cases[] = {
      {[] { return Sdk::ProfileSetOnce("pw_first_paid_date", std::string("d")); }, "profile_set_once",
       "{\"pw_first_paid_date\":\"d\"}"},
      {[] { return Sdk::ProfileIncrement("pw_visit_count", int64_t{2}); }, "profile_increment",
       "{\"pw_visit_count\":2}"},
      {[] { return Sdk::ProfileSet("pw_consumption", 9.5); }, "profile_set", "{\"pw_consumption\":9.5}"},
      {[] { return Sdk::ProfileAppend("pw_label", {"a", "b"}); }, "profile_append", "{\"pw_label\":[\"a\",\"b\"]}"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(c.operation()) << c.type;
    const std::string record = LastRecord();
    EXPECT_NE(record.find(std::string("\"properties\":") + c.properties), std::string::npos) << record;
    EXPECT_NE(record.find(std::string("\"type\":\"") + c.type + "\"}"), std::string::npos) << record;
  }
  // A refused value sends nothing.
  const size_t before = Sdk::PendingRecords().size();
  StderrOf([] { EXPECT_FALSE(Sdk::ProfileSet("pw_user_name", std::string("\xC0\x80"))); });
  EXPECT_EQ(Sdk::PendingRecords().size(), before);
}

TEST_F(SdkTest, EventTimeAndProjectComeOutOfTheProperties) {
  PropertiesNode properties;
  properties.SetDateTime("$time", 1609556645, 678);  // 2021-01-02 03:04:05.678 in the test zone
  properties.SetString("$project", "installer");
  properties.SetString("pw_name", "x");
  ASSERT_TRUE(Sdk::Track("PwEventView", properties));
  const std::string record = LastRecord();
  EXPECT_NE(record.find("\"time\":1609556645678,"), std::string::npos) << record;
  EXPECT_NE(record.find(std::string(kLib) + ",\"project\":\"installer\",\"properties\":{"), std::string::npos)
      << record;
  EXPECT_EQ(record.find("$time"), std::string::npos);
  EXPECT_EQ(record.find("$project"), std::string::npos);
}

TEST_F(SdkTest, RuleViolationsDropTheWholeEvent) {
  const struct {
    const char* name;
    void (*fill)(PropertiesNode&);
    const char* message;
  } cases[] = {
      {"PwEventView", [](PropertiesNode& n) { n.SetString("$time", "now"); }, "The property '$time' should be DateTime type."},
      {"9Event", [](PropertiesNode&) {}, "The Event Name need to be a valid variable name."},
      {"PwEventView", [](PropertiesNode& n) { n.SetString("bad key", "v"); }, "The Property Key need to be a valid variable name."},
  };
  for (const auto& c : cases) {
    PropertiesNode properties;
    c.fill(properties);
    bool added = true;
    EXPECT_EQ(StderrOf([&] { added = Sdk::Track(c.name, properties); }), c.message);
    EXPECT_FALSE(added);
  }
  EXPECT_TRUE(Sdk::PendingRecords().empty());
}

TEST(SdkLifecycle, NothingWorksWithoutAnInstanceAndABadDistinctIdMakesNone) {
  EXPECT_FALSE(Sdk::Track("PwEventTask", PropertiesNode()));
  EXPECT_FALSE(Sdk::Login("u1"));
  EXPECT_FALSE(Sdk::ProfileSet(PropertiesNode()));
  EXPECT_FALSE(Sdk::RegisterSuperProperties(PropertiesNode()));
  EXPECT_FALSE(Sdk::FlushAll());
  EXPECT_EQ(StderrOf([] { EXPECT_FALSE(Sdk::Init("", "u", std::string(256, 'x'), false)); }),
            "The Distinct ID is too long, max length is 255.\n");
  EXPECT_FALSE(Sdk::IsInitialized());

  ASSERT_TRUE(Sdk::Init("", "u", "first", false));
  ASSERT_TRUE(Sdk::Init("", "u", "second", true));  // the existing instance stays
  EXPECT_EQ(Sdk::DistinctId(), "first");
  Sdk::Shutdown();
  EXPECT_FALSE(Sdk::IsInitialized());
}

}  // namespace
}  // namespace usage_analytics
