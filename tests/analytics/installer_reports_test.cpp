// The installer's reports: the exact record of a Task event with the common properties, the
// A/B code handling, the enable switch, and the funnel's names and reason texts.

#include <gtest/gtest.h>

#include <filesystem>

#include "analytics/install_funnel.h"
#include "analytics/installer_analytics.h"
#include "analytics/sdk/sdk.h"
#include "analytics/tracker/device_descriptors.h"
#include "analytics/tracker/metrics_tracker_wrapper.h"
#include "analytics/tracker/pw_exception.h"
#include "app/installer_settings.h"
#include "download/curl_client.h"
#include "platform/codepage.h"
#include "platform/clock.h"
#include "tests/analytics/tracker_test_support.h"

namespace {

using analytics_test::FixedTimeSource;
using analytics_test::ScopedTimeSource;
using analytics_test::StderrOf;
using analytics_test::WriteFile;
using usage_analytics::Sdk;

class InstallerReports : public analytics_test::TrackerHome {
 protected:
  void SetUp() override {
    TrackerHome::SetUp();
    Settings().IsEnableAppMetrics = true;
    Settings().MetricsServerUrl = L"http://127.0.0.1:1/collect?project=pc";
  }
  void TearDown() override {
    Settings().IsEnableAppMetrics = true;
    StderrOf([] { ShutdownAnalytics(); });
  }

  std::string TrackerFolder() const { return (home_.path() / "PWLocal" / "Quorvane.downloader").string(); }

  // A known identity, so the records carry a known distinct id.
  void WriteIdentity(const std::string& distinctId) {
    std::filesystem::create_directories(TrackerFolder());
    WriteFile(TrackerFolder() + "/Quorvane.downloader_PWSConfigure.ini",
              "[Base]\nDistinctId=" + distinctId + "\nPrimaryDistinctId=" + distinctId +
                  "\nURL=http://127.0.0.1:1/collect?project=pc\nisLogined=NG\n");
  }

  static std::string LastRecord() {
    const auto records = Sdk::PendingRecords();
    return records.empty() ? "" : records.back();
  }
  static bool Has(const std::string& record, const std::string& member) {
    return record.find(member) != std::string::npos;
  }
};

TEST_F(InstallerReports, TaskEventRecordWithTheCommonProperties) {
  WriteIdentity("D-1");
  FixedTimeSource clock(1700000000123);
  ScopedTimeSource scoped(clock);
  InitAnalytics();
  ReportTask(L"大包下载完毕", L"", 12.5f, {{kAbKey, kDefaultAbGroup}});
  const std::string os = plenwick::metrics::OsVersion();
  EXPECT_EQ(LastRecord(),
            "{\"_track_id\":466830123,\"distinct_id\":\"D-1\",\"event\":\"PwEventTask\","
            "\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.9\"},"
            "\"properties\":{\"$app_id\":\"Quorvane.downloader\",\"$app_version\":\"1.7.9\",\"$is_first_time\":true,"
            "\"$lib\":\"cpp\",\"$lib_version\":\"0.9\",\"$os\":\"Linux\",\"$os_version\":\"" + os + "\","
            "\"$screen_height\":0,\"$screen_width\":0,\"pw_app_id\":\"Quorvane.downloader\","
            "\"pw_app_platform\":\"Linux\",\"pw_app_store\":\"qv_analytics_installer_test\",\"pw_dlapp_id\":\"Quorvane\","
            "\"pw_edition\":\"china\",\"pw_l10n_country\":\"CN\",\"pw_l10n_language\":\"zh\",\"pw_l10n_locale\":\"zh_CN\","
            "\"pw_sdk\":\"WindowsCPP\",\"pw_sdk_version\":\"3.3.8\",\"pw_task_elapsed\":12.5,"
            "\"pw_task_name\":\"大包下载完毕\",\"pw_task_result\":\"Success\",\"pw_track_type\":\"Client\","
            "\"pwc_ab\":\"IN\"},\"time\":1700000000123,\"type\":\"track\"}");
}

TEST_F(InstallerReports, ReasonAndAbCodeOnlyWhenGiven) {
  InitAnalytics();
  const struct {
    std::wstring reason;
    ReportExtras extras;
    bool hasReason;
    bool hasAb;
  } cases[] = {
      {L"", {{kAbKey, L"IN"}}, false, true},
      {L"1.code=7", {}, true, false},
      {L"", {{kAbKey, L""}}, false, false},
      {L"", {{L"other", L"IN"}}, false, false},
  };
  for (const auto& c : cases) {
    ReportTask(L"安装成功", c.reason, 0, c.extras);
    const std::string record = LastRecord();
    EXPECT_TRUE(Has(record, "\"pw_task_elapsed\":0,")) << record;
    EXPECT_EQ(Has(record, "\"pw_reason\":\"1.code=7\""), c.hasReason) << record;
    EXPECT_EQ(Has(record, "\"pwc_ab\":\"IN\""), c.hasAb) << record;
  }
  // A code that breaks the rule is the caller's fault: it raises, and nothing is sent.
  const size_t before = Sdk::PendingRecords().size();
  for (const wchar_t* bad : {L"ABCD", L"in", L"9A"}) {
    EXPECT_THROW(ReportTask(L"安装成功", L"", 0, {{kAbKey, bad}}), plenwick::metrics::PwException);
    EXPECT_THROW(ReportClick(L"立即安装", {{kAbKey, bad}}), plenwick::metrics::PwException);
  }
  EXPECT_EQ(Sdk::PendingRecords().size(), before);
}

TEST_F(InstallerReports, ClickViewAndCrashEvents) {
  InitAnalytics();
  ReportClick(L"自定义安装_立即安装", {{kAbKey, L"IN"}});
  std::string record = LastRecord();
  EXPECT_TRUE(Has(record, "\"event\":\"PwEventClick\""));
  EXPECT_TRUE(Has(record, "\"pw_click_type\":\"Button\",\"pw_dlapp_id\"")) << record;
  EXPECT_TRUE(Has(record, "\"pw_name\":\"自定义安装_立即安装\""));
  EXPECT_TRUE(Has(record, "\"pwc_ab\":\"IN\""));

  ReportView({{kAbKey, L"IN"}});
  record = LastRecord();
  EXPECT_TRUE(Has(record, "\"event\":\"PwEventView\""));
  EXPECT_TRUE(Has(record, "\"pw_name\":\"安装中\""));
  EXPECT_TRUE(Has(record, "\"pwc_ab\":\"IN\""));
  EXPECT_TRUE(Has(record, "\"$is_first_time\":true"));

  InstallFunnel::ReportCrashExit();
  dynamic_cast<plenwick::metrics::MetricsTrackerWrapper&>(*globalTracker()).impl()->waitForSenders();
  const auto records = Sdk::PendingRecords();
  ASSERT_GE(records.size(), 2u);
  EXPECT_TRUE(Has(records[records.size() - 2], "\"pw_task_name\":\"崩溃退出\""));
  EXPECT_TRUE(Has(records.back(), "\"event\":\"AppCrashed\""));
  EXPECT_TRUE(Has(records.back(), "\"app_crashed_reason\":\"崩溃\""));
}

TEST_F(InstallerReports, DisabledInTheSettingsFileMeansNoTrackerAndNoFiles) {
  Settings().IsEnableAppMetrics = false;
  InitAnalytics();
  EXPECT_EQ(globalTracker(), nullptr);
  ReportTask(L"安装成功", L"", 0, {});
  ReportCrash();
  EXPECT_FALSE(Sdk::IsInitialized());
  EXPECT_FALSE(std::filesystem::exists(TrackerFolder()));
}

TEST_F(InstallerReports, DisabledAfterStartSuppressesEveryReport) {
  InitAnalytics();
  ASSERT_NE(globalTracker(), nullptr);
  EXPECT_TRUE(std::filesystem::exists(TrackerFolder() + "/Quorvane.downloader_PWSConfigure.ini"));
  Settings().IsEnableAppMetrics = false;  // the command line turned analytics off
  ReportTask(L"安装成功", L"", 0, {{kAbKey, L"IN"}});
  ReportClick(L"立即安装", {});
  ReportView({});
  ReportCrash();
  EXPECT_TRUE(Sdk::PendingRecords().empty());
}

TEST_F(InstallerReports, DownloaderStartIsReportedOncePerProcess) {
  InitAnalytics();
  const auto starts = [] {
    int n = 0;
    for (const auto& record : Sdk::PendingRecords()) n += Has(record, "\"pw_task_name\":\"下载器启动\"");
    return n;
  };
  // Only the first call in the process sends it (a repeated test run finds it sent already).
  static bool firstInProcess = true;
  const int expected = firstInProcess ? 1 : 0;
  firstInProcess = false;
  InstallFunnel::ReportDownloaderStarted();
  InstallFunnel::ReportDownloadStarted();
  InstallFunnel::ReportDownloaderStarted();
  EXPECT_EQ(starts(), expected);
  EXPECT_TRUE(Has(LastRecord(), "\"pw_task_name\":\"开始下载大包\""));
}

TEST_F(InstallerReports, DownloadFinishedCarriesTheSecondsSinceTheLastStart) {
  InitAnalytics();
  InstallFunnel::ReportDownloadStarted();
  Platform::SleepMilliseconds(300);
  InstallFunnel::ReportDownloadFinished();
  const std::string record = LastRecord();
  ASSERT_TRUE(Has(record, "\"pw_task_name\":\"大包下载完毕\"")) << record;
  const size_t at = record.find("\"pw_task_elapsed\":") + 18;
  const double elapsed = std::stod(record.substr(at));
  EXPECT_GE(elapsed, 0.3);
  EXPECT_LT(elapsed, 2.0);
}

TEST_F(InstallerReports, LengthProbeFailureOfTheHttpClientIsReported) {
  InitAnalytics();
  // A local file has no HTTP status: the length probe reads 0 and reports it.
  const std::string file = home_.File("package.bin");
  WriteFile(file, "x");
  CurlClient client(L"file://" + std::wstring(file.begin(), file.end()), Platform::Utf8ToWide(home_.File("out")),
                    nullptr, nullptr);
  client.GetDownloadFileLength_Str("file://" + file);
  const std::string record = LastRecord();
  EXPECT_TRUE(Has(record, "\"pw_reason\":\"1.获取文件大小的状态码为=0；\"")) << record;
  EXPECT_TRUE(Has(record, "\"pw_task_name\":\"下载失败原因\""));
  EXPECT_TRUE(Has(record, "\"pwc_ab\":\"IN\""));
}

TEST(FunnelReasons, TextsAsTheInstallerFillsThem) {
  EXPECT_EQ(InstallFunnel::DownloadFailedReason(28, L"Timeout was reached", 12.345, true, 3),
            L"1.code=28；2.msg=Timeout was reached；3.缓存磁盘容量=12.35G；4.缓存读写权限=可读；5.服务器连接状态code=3");
  EXPECT_EQ(InstallFunnel::DownloadFailedReason(-998, L"", 0, false, 0),
            L"1.code=-998；2.msg=；3.缓存磁盘容量=0.00G；4.缓存读写权限=无权限；5.服务器连接状态code=0");
  EXPECT_EQ(InstallFunnel::CodeAndMessageReason(2, L"安装包返回失败"), L":1.code=2；2.msg=安装包返回失败");
  // The texts are cut to what a 200-character buffer holds.
  EXPECT_EQ(InstallFunnel::CodeAndMessageReason(1, std::wstring(300, L'x')).size(), 199u);
}

}  // namespace
