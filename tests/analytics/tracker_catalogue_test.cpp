// The tracker's event catalogue: enumeration texts, the validation of each record, the
// properties each event carries, context properties and the profile table.

#include <gtest/gtest.h>

#include <functional>

#include "analytics/sdk/sdk.h"
#include "analytics/tracker/device_descriptors.h"
#include "analytics/tracker/pw_exception.h"
#include "analytics/tracker/user_profile.h"
#include "tests/analytics/tracker_test_support.h"

namespace plenwick::metrics {
namespace {

using analytics_test::FixedTimeSource;
using analytics_test::ScopedTimeSource;
using analytics_test::StderrOf;
using usage_analytics::Sdk;

// The message of the PwException `call` raises, or "" when it raises none.
std::string RaisedMessage(const std::function<void()>& call) {
  try {
    call();
  } catch (const PwException& e) {
    return e.what();
  }
  return "";
}

template <typename Enum>
std::string TextOf(int n) {
  return toString(static_cast<Enum>(n));
}

TEST(Enumerations, TextsAndErrorsForValuesOutsideTheTable) {
  const struct {
    std::function<std::string(int)> toText;
    int last;
    std::string lastText;
    std::string outsideMessage;
  } cases[] = {
      {TextOf<PwEventType>, 14, "AppOpenNotification", "Unknown Event [15]!"},
      {TextOf<PwEdition>, 1, "overseas", "Unknown edition [2]!"},
      {TextOf<PwResult>, 3, "Unknown", "Unknown task result [4]!"},
      {TextOf<PwUserType>, 11, "facebook", "Unknown user type [12]!"},
      {TextOf<PwClickType>, 4, "Others", "Unknown ClickType [5]!"},
      {TextOf<PwFileIo>, 1, "Output", "the io type is invalid"},
      {TextOf<PwCurrency>, 10, "GBP", "Unknown currency [11]!"},
      {TextOf<PwPaidPlatform>, 9, "ChinaUnionPay", "Unknown paid platform [10]!"},
      {TextOf<PwIapType>, 3, "NonRenewable", "Unknown pwIapType [4]!"},
      {TextOf<PwUpdateOp>, 4, "UpgrateEnd", "Unknown PwUpdateOp [5]!"},
      {TextOf<PwUpdateResult>, 5, "Updateable", "Unknown PwUpdateResult [6]!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.toText(c.last), c.lastText);
    EXPECT_EQ(RaisedMessage([&] { c.toText(c.last + 1); }), c.outsideMessage);
  }
  EXPECT_EQ(toString(PwEventType::PaLaunchPal), "PaLaunchPal");
  EXPECT_EQ(toString(PwPaidPlatform::HuaweiPay), "HuaweiPay");
  EXPECT_EQ(toString(PwUserType::PlenwickUserId), "plenwickuserid");
  EXPECT_EQ(RaisedMessage([] { toString(static_cast<PwEdition>(-1)); }), "Unknown edition [-1]!");
}

TEST(ContextProperties, AbCodeRule) {
  const struct {
    std::string value;
    bool valid;
    std::string message;
  } cases[] = {
      {"IN", true, ""},   {"A", true, ""},  {"B2", true, ""}, {"Zz9", true, ""}, {"ABC", true, ""}, {"", false, ""},
      {"ABCD", false, "value's length is great than 3."},
      {"A\xE4\xB8\xAD", false, "value's length is great than 3."},
      {"in", false, "First char is not in A to Z"},
      {"9A", false, "First char is not in A to Z"},
      {"aB", false, "First char is not in A to Z"},
      {"A-", false, "second char is not in A to Z and 0 to 9"},
      {"AB_", false, "third char is not in A to Z and 0 to 9"},
  };
  for (const auto& c : cases) {
    bool valid = false;
    EXPECT_EQ(RaisedMessage([&] { valid = PwContextProperties::isValidABValue(c.value); }), c.message) << c.value;
    EXPECT_EQ(valid, c.valid) << c.value;
  }
}

TEST(ContextProperties, OneCodePerContextAttachedToTheListedTypesOnly) {
  PwContextProperties context;
  EXPECT_EQ(RaisedMessage([&] { context.setProperty({3, 15}, "IN"); }), "PwEvent[15] overflow!");
  EXPECT_EQ(RaisedMessage([&] { context.setProperty({-1}, "IN"); }), "PwEvent[-1] overflow!");
  context.setProperty({3, 7}, "IN");
  ASSERT_EQ(context.getEventProperties(7).size(), 1u);
  EXPECT_EQ(context.getEventProperties(7)[0]->key, "pwc_ab");
  EXPECT_EQ(*context.getEventProperties(3)[0]->value, "IN");
  EXPECT_TRUE(context.getEventProperties(4).empty());
  EXPECT_EQ(RaisedMessage([&] { context.setProperty({4}, "B"); }), "Property[pwc_ab] already exist!");
  EXPECT_TRUE(context.getEventProperties(4).empty());
  EXPECT_EQ(RaisedMessage([&] { context.getEventProperties(15); }), "PwEvent[15] overflow!");
}

class Catalogue : public analytics_test::TrackerHome {
 protected:
  void SetUp() override {
    TrackerHome::SetUp();
    tracker_ = StartTracker();
  }
  void TearDown() override { StderrOf([&] { tracker_.reset(); }); }

  // The newest record of `event` once every send thread is done (a failed flush puts its batch
  // back), or the newest record of all when `event` is empty.
  std::string RecordOf(const std::string& event = "") {
    tracker_->waitForSenders();
    const auto records = Sdk::PendingRecords();
    for (auto it = records.rbegin(); it != records.rend(); ++it)
      if (event.empty() || it->find("\"event\":\"" + event + "\"") != std::string::npos) return *it;
    return "";
  }
  // The "properties" object of that record.
  std::string PropertiesOf(const std::string& event = "") {
    const std::string r = RecordOf(event);
    const size_t start = r.find("\"properties\":");
    if (start == std::string::npos) return "";
    return r.substr(start + 13, r.find(",\"time\":", start) - start - 13);
  }
  static bool Has(const std::string& properties, const std::string& member) {
    return properties.find(member) != std::string::npos;
  }

  FixedTimeSource clock_{1700000000123};
  ScopedTimeSource scoped_{clock_};
  PwContextProperties none_;
  std::unique_ptr<MetricsTrackerImpl> tracker_;
};

TEST_F(Catalogue, RequiredFieldsRaiseTheirMessagesAndSendNothing) {
  PwEventOrder order;
  order.suitId = "s";
  order.currency = std::make_shared<PwCurrency>(PwCurrency::CNY);
  order.paidAmount = 1;
  PwEventPayment payment;
  payment.orderId = "o";
  PwEventUpdate downloadEnd;
  downloadEnd.op = PwUpdateOp::DownloadEnd;
  PwEventAppOpenNotification notification;
  const struct {
    std::function<void(MetricsTrackerImpl&, const PwContextProperties&)> call;
    std::string message;
  } cases[] = {
      {[](auto& t, auto& c) { t.trackTask({}, c); }, "pwEventTask.name is empty"},
      {[](auto& t, auto& c) { t.trackClick({}, c); }, "pwEventClick.name is empty"},
      {[](auto& t, auto& c) { t.trackView({}, c); }, "pwEventView.name is empty"},
      {[](auto& t, auto& c) { t.trackCashier({}, c); }, "pwEventCashier.pw_cashier_name is empty"},
      {[](auto& t, auto& c) { t.trackFile({}, c); }, "pwEventFile.aname is empty"},
      {[](auto& t, auto& c) { t.trackOrder({}, c); }, "pwEventOrder.pwSuitId is empty"},
      {[](auto& t, auto& c) {
         PwEventOrder o;
         o.suitId = "s";
         t.trackOrder(o, c);
       },
       "pwEventOrder.pwCurrency is nullptr"},
      {[&](auto& t, auto& c) { t.trackOrder(order, c); }, "pwEventOrder.originalAmount is less than zero"},
      {[](auto& t, auto& c) { t.trackPayment({}, c); }, "pwEventPayment.pwOrderId is empty"},
      {[&](auto& t, auto& c) {
         PwEventPayment p = payment;
         p.paidAmount = -1.5;
         t.trackPayment(p, c);
       },
       "paidAmount = -1.5 is invalid"},
      {[&](auto& t, auto& c) {
         PwEventPayment p = payment;
         p.originalAmount = -2;
         t.trackPayment(p, c);
       },
       "originalAmount = -2 is invalid"},
      {[&](auto& t, auto& c) {
         PwEventPayment p = payment;
         p.result = PwResult::Unknown;
         t.trackPayment(p, c);
       },
       "pwEventPayment.result is invalid"},
      {[&](auto& t, auto& c) { t.trackUpdate(downloadEnd, c); }, "Unknown updateResultInfo info"},
      {[&](auto& t, auto& c) {
         PwEventUpdate u = downloadEnd;
         u.result = std::make_shared<PwUpdateResult>(PwUpdateResult::Success);
         t.trackUpdate(u, c);
       },
       "invalid elapsed info"},
      {[](auto& t, auto& c) {
         PwEventUpdate u;
         u.op = static_cast<PwUpdateOp>(5);
         t.trackUpdate(u, c);
       },
       "Unknown PwUpdateOp [5]!"},
      {[](auto& t, auto& c) { t.trackAppOpenNotification(nullptr, c); }, "&appOpenNotification is nullptr"},
      {[&](auto& t, auto& c) { t.trackAppOpenNotification(&notification, c); }, "planID is emptry"},
      {[&](auto& t, auto& c) {
         PwEventAppOpenNotification n;
         n.planId = "p";
         t.trackAppOpenNotification(&n, c);
       },
       "planType is emptry"},
      {[&](auto& t, auto& c) {
         PwEventAppOpenNotification n;
         n.planId = "p";
         n.planType = "t";
         t.trackAppOpenNotification(&n, c);
       },
       "msgTitle is emptry"},
  };
  for (const auto& c : cases) EXPECT_EQ(RaisedMessage([&] { c.call(*tracker_, none_); }), c.message);
  EXPECT_TRUE(Sdk::PendingRecords().empty());
}

TEST_F(Catalogue, TaskEventProperties) {
  PwEventTask task;
  task.name = "t";
  task.reason = "r";
  task.elapsed = std::make_shared<float>(0.0f);
  task.result = std::make_shared<PwResult>(PwResult::Fail);
  tracker_->trackTask(task, none_);
  const std::string all = PropertiesOf("PwEventTask");
  EXPECT_TRUE(Has(all, "\"$is_first_time\":true,")) << all;
  EXPECT_TRUE(Has(all, "\"pw_reason\":\"r\",\"pw_sdk\"")) << all;
  EXPECT_TRUE(Has(all, "\"pw_task_elapsed\":0,\"pw_task_name\":\"t\",\"pw_task_result\":\"Fail\",")) << all;

  // Result Unknown, no reason, no elapsed: those three keys stay out.
  task.result = std::make_shared<PwResult>(PwResult::Unknown);
  task.reason.clear();
  task.elapsed.reset();
  tracker_->trackTask(task, none_);
  const std::string bare = PropertiesOf("PwEventTask");
  EXPECT_FALSE(Has(bare, "pw_task_result"));
  EXPECT_FALSE(Has(bare, "pw_reason"));
  EXPECT_FALSE(Has(bare, "pw_task_elapsed"));
}

TEST_F(Catalogue, ContextPropertiesReachTheirEventTypesButNeverTheCrashEvent) {
  PwContextProperties context;
  context.setProperty({7, 13}, "IN");
  PwEventTask task;
  task.name = "from the record";
  tracker_->trackTask(task, context);
  EXPECT_TRUE(Has(PropertiesOf("PwEventTask"), "\"pwc_ab\":\"IN\""));

  tracker_->trackCrash("boom");
  const std::string crash = PropertiesOf("AppCrashed");
  EXPECT_TRUE(Has(crash, "\"app_crashed_reason\":\"boom\"")) << crash;
  EXPECT_FALSE(Has(crash, "pwc_ab"));
  EXPECT_FALSE(Has(crash, "$is_first_time"));
}

TEST_F(Catalogue, EventNamesAndTheirTypicalProperties) {
  PwEventClick click;
  click.name = "立即安装";
  click.tabIndex = std::make_shared<int32_t>(2);
  PwEventFile file;
  file.aname = "a";
  file.io = PwFileIo::Output;
  file.size = std::make_shared<double>(0);
  file.width = std::make_shared<int32_t>(640);
  PwEventUpdate check;
  PwEventUninstall uninstall;
  PwEventAppOpenNotification notification;
  notification.msgTitle = "title";
  notification.planId = "plan";
  notification.planType = "type";
  const struct {
    std::function<void()> call;
    std::string event;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  } cases[] = {
      {[&] { tracker_->trackClick(click, none_); }, "PwEventClick",
       {"\"pw_click_type\":\"Button\"", "\"pw_name\":\"立即安装\"", "\"pw_tab_index\":2", "\"$is_first_time\":true"},
       {"pw_banner_index", "pw_title"}},
      {[&] { tracker_->trackFile(file, none_); }, "PwEventFile",
       {"\"pw_io\":\"Output\"", "\"pw_width\":640"},
       {"pw_size", "pw_result"}},
      {[&] { tracker_->trackUpdate(check, none_); }, "PwEventUpdate",
       {"\"pw_update_op\":\"UpdateCheck\",\"pw_update_result\":\"\""},
       {"$is_first_time"}},
      {[&] { tracker_->trackUninstall(uninstall, none_); }, "PwEventUninstall", {}, {"pw_uninstall_reason", "$is_first_time"}},
      {[&] { tracker_->trackAppOpenNotification(&notification, none_); }, "AppOpenNotification",
       {"\"$sf_msg_title\":\"title\"", "\"$sf_plan_id\":\"plan\"", "\"$sf_plan_type\":\"type\""},
       {"$sf_link_url"}},
      {[&] { tracker_->trackLaunch({}, none_); }, "PwEventLaunch", {}, {"$is_first_time"}},
      {[&] { tracker_->trackActivity({}, none_); }, "PwEventActivity",
       {"\"$ios_install_source\":\"android_id=123##imei=1234##mac=123\"", "\"$user_agent\":\"" + UserAgent() + "\""},
       {}},
  };
  for (const auto& c : cases) {
    c.call();
    const std::string properties = PropertiesOf(c.event);
    EXPECT_NE(properties, "") << c.event;
    for (const auto& p : c.present) EXPECT_TRUE(Has(properties, p)) << c.event << ": " << p << " in " << properties;
    for (const auto& a : c.absent) EXPECT_FALSE(Has(properties, a)) << c.event << ": " << a;
  }
}

TEST_F(Catalogue, ActivityUpdatesTheDeviceProfileWithOneRecordPerProperty) {
  const size_t before = Sdk::PendingRecords().size();
  tracker_->trackActivity({}, none_);
  tracker_->waitForSenders();
  const auto records = Sdk::PendingRecords();
  ASSERT_EQ(records.size(), before + 11);
  int setOnce = 0, set = 0;
  for (size_t i = before + 1; i < records.size(); ++i) {
    setOnce += records[i].ends_with("\"type\":\"profile_set_once\"}");
    set += records[i].ends_with("\"type\":\"profile_set\"}");
  }
  EXPECT_EQ(setOnce, 3);  // $first_visit_time, pw_first_visit_date, $ios_install_source
  EXPECT_EQ(set, 7);
  EXPECT_NE(records.back().find("\"$ios_install_source\":\"android_id=123##imei=1234##mac=123\""), std::string::npos);
  EXPECT_NE(records[before + 1].find("\"$first_visit_time\":\"2023-11-14 22:13:20.123\""), std::string::npos)
      << records[before + 1];
}

TEST(UserProfile, WriteModesByKeyAndValueType) {
  const struct {
    std::function<void()> call;
    std::string message;
  } cases[] = {
      {[] { ProfileUserPropertyString("pw_shoe_size", "42"); }, "Not supported user property [pw_shoe_size]!"},
      {[] { ProfileUserPropertyString("pw_visit_count", "1"); },
       "user property [pw_visit_count] is string type value, it cannot be accumulated!"},
      {[] { ProfileUserPropertyNumber("pw_nothing", int64_t{1}); }, "Not supported user property [pw_nothing]!"},
      {[] { ProfileUserPropertyDateTime("pw_paid_count", 0); },
       "user property [pw_paid_count] is datetime value, it cannot be accumulated or appended!"},
      {[] { ProfileUserPropertyString("pw_user_name", "n"); }, ""},
      {[] { ProfileUserPropertyNumber("pw_consumption", 2.5); }, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(RaisedMessage(c.call), c.message);
  EXPECT_EQ(ProfileModeOf("pw_first_paid_date"), ProfileMode::SetOnce);
  EXPECT_EQ(ProfileModeOf("pw_paid_count"), ProfileMode::Increment);
  EXPECT_EQ(ProfileModeOf("pw_last_paid_date"), ProfileMode::Set);
  EXPECT_EQ(ProfileModeOf("$first_visit_time"), ProfileMode::SetOnce);
}

TEST(DeviceDescriptors, StoredLocaleWinsOverTheUsersLocale) {
  setenv("LANG", "de_AT.UTF-8", 1);
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  const struct {
    std::string stored;
    std::string locale, language, country;
  } cases[] = {
      {"zh_CN", "zh_CN", "zh", "CN"},
      {"en_US_POSIX", "en_US_POSIX", "en", "US_POSIX"},
      {"", "de_AT", "de", "AT"},
      {"fr", "de_AT", "de", "AT"},
  };
  for (const auto& c : cases) {
    const LocaleTexts texts = DeriveLocale(c.stored);
    EXPECT_EQ(texts.locale, c.locale) << c.stored;
    EXPECT_EQ(texts.language, c.language);
    EXPECT_EQ(texts.country, c.country);
  }
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(DeriveLocale("").locale, "en_US");
  unsetenv("LC_ALL");
  EXPECT_EQ(OsName(), "Linux");
  EXPECT_EQ(UserAgent(), "Mozilla/5.0(Linux " + OsVersion() + "; Linux64;)");
}

}  // namespace
}  // namespace plenwick::metrics
