// The tracker's persistent identity: where its ini lives, the first run, a changed collector,
// the login flow, and the files initialisation leaves behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "analytics/sdk/sdk.h"
#include "analytics/tracker/metrics_tracker_wrapper.h"
#include "analytics/tracker/pw_exception.h"
#include "platform/ini.h"
#include "tests/analytics/tracker_test_support.h"

namespace plenwick::metrics {
namespace {

using analytics_test::ReadFile;
using analytics_test::StderrOf;
using analytics_test::StdoutOf;
using analytics_test::WriteFile;
using usage_analytics::Sdk;

std::string IniValue(const std::string& path, const wchar_t* section, const wchar_t* key) {
  const std::wstring value =
      Platform::GetPrivateProfileString(section, key, L"<absent>", 256, std::wstring(path.begin(), path.end()));
  return std::string(value.begin(), value.end());
}

class Identity : public analytics_test::TrackerHome {};

TEST_F(Identity, FirstRunWritesANewGuidAsBothIdsAndTheCollectorUrl) {
  {
    auto tracker = StartTracker();
    EXPECT_EQ(Sdk::DistinctId(), tracker->settings().distinctId);
    StderrOf([&] { tracker.reset(); });
  }
  const std::string ini = IniPath();
  const std::string id = IniValue(ini, L"Base", L"DistinctId");
  EXPECT_TRUE(std::regex_match(id, std::regex("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}"))) << id;
  EXPECT_EQ(IniValue(ini, L"Base", L"PrimaryDistinctId"), id);
  EXPECT_EQ(IniValue(ini, L"Base", L"UserId"), "");
  EXPECT_EQ(IniValue(ini, L"Base", L"UserVipLevel"), "0");
  EXPECT_EQ(IniValue(ini, L"Base", L"URL"), analytics_test::kDeadCollector);
  EXPECT_EQ(IniValue(ini, L"Base", L"isLogined"), "NG");
  EXPECT_EQ(IniValue(ini, L"UninstallInfo", L"AppStore"), "QuorvaneSetup.exe");
  EXPECT_EQ(IniValue(ini, L"UninstallInfo", L"AppName"), "App.downloader");
  EXPECT_EQ(IniValue(ini, L"UninstallInfo", L"AppVersion"), "1.7.9");
  EXPECT_TRUE(std::filesystem::exists(LocalFolder() + "App.downloader_PWSLog.txt"));

  // The same collector next time: the same identity.
  {
    auto again = StartTracker();
    EXPECT_EQ(again->settings().distinctId, id);
    StderrOf([&] { again.reset(); });
  }
}

TEST_F(Identity, ChangedCollectorLogsOutAndReturnsToThePrimaryId) {
  std::filesystem::create_directories(LocalFolder());
  WriteFile(IniPath(),
            "[Base]\nDistinctId=user-7\nPrimaryDistinctId=PRIMARY-1\nUserId=user-7\nUserVipLevel=3\n"
            "URL=https://old.example/collect\nisLogined=OK\n");
  auto tracker = StartTracker();
  EXPECT_EQ(tracker->settings().distinctId, "PRIMARY-1");
  EXPECT_EQ(tracker->settings().userId, "");
  EXPECT_FALSE(tracker->settings().isLogined);
  EXPECT_EQ(Sdk::DistinctId(), "PRIMARY-1");
  StderrOf([&] { tracker.reset(); });
  EXPECT_EQ(IniValue(IniPath(), L"Base", L"DistinctId"), "PRIMARY-1");
  EXPECT_EQ(IniValue(IniPath(), L"Base", L"UserVipLevel"), "3");
  EXPECT_EQ(IniValue(IniPath(), L"Base", L"isLogined"), "NG");
  EXPECT_EQ(IniValue(IniPath(), L"Base", L"URL"), analytics_test::kDeadCollector);
}

TEST_F(Identity, LoggedInUserOfTheSameCollectorStaysLoggedIn) {
  std::filesystem::create_directories(LocalFolder());
  WriteFile(IniPath(), std::string("[Base]\nDistinctId=u9\nPrimaryDistinctId=P\nUserId=u9\nURL=") +
                           analytics_test::kDeadCollector + "\nisLogined=OK\n");
  auto tracker = StartTracker();
  EXPECT_TRUE(tracker->settings().isLogined);
  EXPECT_EQ(Sdk::DistinctId(), "u9");
  PwEventTask task;
  task.name = "t";
  tracker->trackTask(task, PwContextProperties());
  const std::string record = Sdk::PendingRecords().back();
  EXPECT_NE(record.find("\"$is_login_id\":true"), std::string::npos);
  EXPECT_NE(record.find("\"pw_user_id\":\"u9\""), std::string::npos);
  StderrOf([&] { tracker.reset(); });
}

TEST_F(Identity, LoginSendsASignUpAndStoresTheUser) {
  auto tracker = StartTracker();
  const std::string anonymous = tracker->settings().distinctId;
  PwEventLogin login;
  login.userId = "u1";
  login.type = PwUserType::Email;
  login.vipLevel = 2;
  tracker->trackLogin(login, PwContextProperties(), true);
  const auto records = Sdk::PendingRecords();
  ASSERT_GE(records.size(), 2u);
  const std::string& signUp = records[records.size() - 2];
  EXPECT_NE(signUp.find("\"distinct_id\":\"u1\",\"event\":\"$SignUp\""), std::string::npos) << signUp;
  EXPECT_NE(signUp.find("\"original_id\":\"" + anonymous + "\""), std::string::npos);
  const std::string& event = records.back();
  EXPECT_NE(event.find("\"event\":\"PwEventLogin\""), std::string::npos);
  for (const char* member : {"\"pw_login_id\":\"u1\"", "\"pw_result\":\"Success\"", "\"pw_type\":\"email\"",
                             "\"pw_user_id\":\"u1\"", "\"$is_login_id\":true"})
    EXPECT_NE(event.find(member), std::string::npos) << member << " in " << event;
  EXPECT_EQ(IniValue(IniPath(), L"Base", L"UserId"), "u1");
  EXPECT_EQ(IniValue(IniPath(), L"Base", L"DistinctId"), "u1");
  EXPECT_EQ(IniValue(IniPath(), L"Base", L"PrimaryDistinctId"), anonymous);
  EXPECT_EQ(IniValue(IniPath(), L"Base", L"UserVipLevel"), "2");
  EXPECT_EQ(IniValue(IniPath(), L"Base", L"isLogined"), "OK");
  StderrOf([&] { tracker.reset(); });
}

TEST_F(Identity, SharedIniNamedBySetIniBesideTheExecutable) {
  analytics_test::ScratchFolder program;
  const std::string shared = (home_.path() / "PlenwickData" / "Quorvane").string();
  // The installed product writes the path with a backslash before the file name.
  WriteFile(program.File("set.ini"), "[Install]\nPWMetricsIni=" + shared + "\\PWMetrics.ini\n");
  const TrackerPaths paths = ResolveTrackerPaths("App.downloader", program.path().wstring(), home_.path().wstring());
  EXPECT_EQ(paths.iniPath, std::filesystem::path(shared + "/PWMetrics.ini").wstring());
  EXPECT_EQ(paths.localFolder, std::filesystem::path(shared + "/").wstring());

  TrackerSettings settings("");
  settings.UsePaths(paths);
  EXPECT_TRUE(std::filesystem::is_directory(shared));
  settings.LoadAndReconcile("https://c.example/collect");
  EXPECT_EQ(IniValue(shared + "/PWMetrics.ini", L"Base", L"URL"), "https://c.example/collect");

  // Without Set.ini, or with a value naming no folder, the per-user local folder is used.
  WriteFile(program.File("set.ini"), "[Install]\nPWMetricsIni=PWMetrics.ini\n");
  const TrackerPaths local = ResolveTrackerPaths("App.downloader", program.path().wstring(), L"/state");
  EXPECT_EQ(local.iniPath, L"/state/PWLocal/App.downloader/App.downloader_PWSConfigure.ini");
  EXPECT_EQ(local.localFolder, L"/state/PWLocal/App.downloader/");
}

TEST_F(Identity, IncompleteConfigurationLeavesATrackerThatSendsNothing) {
  const struct {
    void (*blank)(TrackerConfig&);
    std::string message;
  } cases[] = {
      {[](TrackerConfig& c) { c.appName.clear(); }, "appName is empty"},
      {[](TrackerConfig& c) { c.appVersion.clear(); }, "appVersion is empty"},
      {[](TrackerConfig& c) { c.appStore.clear(); }, "appStore is empty"},
  };
  for (const auto& c : cases) {
    TrackerConfig config = Config();
    c.blank(config);
    MetricsTrackerImpl tracker(config);
    try {
      tracker.init();
      ADD_FAILURE() << "init accepted " << c.message;
    } catch (const PwException& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
      EXPECT_EQ(e.operation(), "init");
      EXPECT_EQ(e.unit(), "MetricsTrackerImpl");
      EXPECT_EQ(e.code(), -1);
    }
    EXPECT_FALSE(Sdk::IsInitialized());
  }
  // Through the creator the failure is swallowed; reports then go nowhere, silently.
  TrackerConfig config = Config();
  config.appStore.clear();
  auto tracker = CreateMetricsTracker(config);
  PwEventTask task;
  EXPECT_EQ(StdoutOf([&] { tracker->trackTask(task, PwContextProperties()); }), "");
  task.name = "t";
  tracker->trackTask(task, PwContextProperties());
  EXPECT_FALSE(Sdk::IsInitialized());
}

TEST_F(Identity, WrapperReportsAFailedTrackAndSendsNothing) {
  auto tracker = CreateMetricsTracker(Config());
  ASSERT_TRUE(Sdk::IsInitialized());
  const size_t before = Sdk::PendingRecords().size();
  EXPECT_EQ(StdoutOf([&] { tracker->trackTask(PwEventTask{}, PwContextProperties()); }), "Failed to trackTask\n");
  EXPECT_EQ(StdoutOf([&] { tracker->trackOrder(PwEventOrder{}, PwContextProperties()); }), "Failed to trackOrder\n");
  EXPECT_EQ(Sdk::PendingRecords().size(), before);
  EXPECT_EQ(tracker->getLogger(), nullptr);
  EXPECT_FALSE(tracker->getPrimaryDistinctId().empty());
  StderrOf([&] { tracker.reset(); });
}

}  // namespace
}  // namespace plenwick::metrics
