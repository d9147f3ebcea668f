// The installer program's usage reports: a silent installation against the package server and the
// collector delivers the funnel with the properties the window's would carry, and a settings file
// that turns analytics off keeps everything at home.

#include <gtest/gtest.h>
#include <json/json.h>
#include <signal.h>
#include <sys/stat.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/ini.h"
#include "tests/install/scratch_folder.h"
#include "tests/support/peers.h"
#include "utils/find_process.h"

namespace {

Json::Value Parse(const std::string& line) {
  Json::Value value;
  std::istringstream in(line);
  in >> value;
  return value;
}

class SilentFunnelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestSupport::PublishPackage(TestSupport::SamplePackageProgram(), "387", folder_.native() + "/publish");
    server_ = std::make_unique<TestSupport::PackageServer>(folder_.native() + "/publish");
    collector_ = std::make_unique<TestSupport::Collector>(folder_.native() + "/records.jsonl");
    installer_ = CopyInstaller(QV_INSTALLER_PATH, folder_.native() + "/installer");
    Set(L"DownloadUrl", Platform::Utf8ToWide(server_->Url("/software/387")));
    Set(L"IsCheckNet", L"false");
    Set(L"MetricsServerUrl", Platform::Utf8ToWide(collector_->Url("/collect?project=pc")));
  }

  void Set(const wchar_t* key, const std::wstring& value) {
    ASSERT_TRUE(Platform::WritePrivateProfileString(L"Install", key, std::wstring_view(value),
                                                    folder_ / L"installer/PlenwickInstallerConfig.ini"));
  }

  int RunInstaller(std::vector<std::string> switches) {
    std::vector<std::string> argv = {installer_, "-silent=true", "-installdir=" + folder_.native() + "/apps"};
    argv.insert(argv.end(), switches.begin(), switches.end());
    TestSupport::ChildProcess child(argv);
    child.ReadRest(std::chrono::seconds(60));
    return child.WaitFor(std::chrono::seconds(60)).value_or(-1);
  }

  std::wstring TrackerIni() const {
    return folder_ / L"state/PWLocal/Quorvane.downloader/Quorvane.downloader_PWSConfigure.ini";
  }

  ScratchFolder folder_;
  ScopedUserFolders userFolders_{folder_.native()};
  ScopedEnv linger_{"QV_PRODUCT_LINGER_MS", "0"};
  std::unique_ptr<TestSupport::PackageServer> server_;
  std::unique_ptr<TestSupport::Collector> collector_;
  std::string installer_;
};

TEST_F(SilentFunnelTest, InstallationDeliversItsFunnelInOrder) {
  ASSERT_EQ(RunInstaller({}), 0);
  std::vector<std::string> names;
  for (const std::string& line : collector_->Records()) {
    const Json::Value record = Parse(line);
    const Json::Value& p = record["properties"];
    ASSERT_EQ(record["event"].asString(), "PwEventTask") << line;
    names.push_back(p["pw_task_name"].asString());
    EXPECT_EQ(p["pw_task_result"].asString(), "Success") << line;
    EXPECT_EQ(p["pwc_ab"].asString(), "IN") << line;
    EXPECT_TRUE(p["pw_task_elapsed"].isNumeric()) << line;
    EXPECT_FALSE(p.isMember("pw_reason")) << line;
    // The properties every event carries from the tracker's start.
    EXPECT_EQ(p["$app_version"].asString(), "1.7.9") << line;
    EXPECT_EQ(p["pw_app_store"].asString(), "quorvane-installer") << line;
    EXPECT_EQ(p["pw_dlapp_id"].asString(), "Quorvane") << line;
    EXPECT_EQ(p["$os"].asString(), "Linux") << line;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"下载器启动", "开始下载大包", "大包下载完毕", "安装成功"}));
  EXPECT_TRUE(Platform::IsRegularFile(TrackerIni()));
}

TEST_F(SilentFunnelTest, FailedDownloadReportsItsFiveFieldReason) {
  Set(L"DownloadUrl", Platform::Utf8ToWide(server_->Url("/software/404")));
  EXPECT_NE(RunInstaller({}), 0);
  std::string reason;
  for (const std::string& line : collector_->Records()) {
    const Json::Value p = Parse(line)["properties"];
    if (p["pw_task_name"].asString() == "下载失败原因") reason = p["pw_reason"].asString();
  }
  EXPECT_EQ(reason.rfind("1.code=", 0), 0u) << reason;
  for (const char* field : {"；2.msg=LibCurl；3.缓存磁盘容量=", "G；4.缓存读写权限=可读；5.服务器连接状态code="})
    EXPECT_NE(reason.find(field), std::string::npos) << reason;
}

TEST_F(SilentFunnelTest, CrashIsReportedBeforeTheProcessDiesOfIt) {
  TestSupport::ChildOptions options;
  options.environment.emplace_back("QV_PACKAGE_HANG_AFTER", "1");
  TestSupport::ChildProcess child({installer_, "-silent=true", "-installdir=" + folder_.native() + "/apps"}, options);
  for (;;) {
    const std::optional<std::string> line = child.ReadLine(std::chrono::seconds(30));
    ASSERT_TRUE(line.has_value()) << "the installation never reached the install stage";
    if (line->rfind("2001\t", 0) == 0) break;
  }
  ASSERT_EQ(::kill(child.pid(), SIGSEGV), 0);
  EXPECT_EQ(child.WaitFor(std::chrono::seconds(20)).value_or(-1), 128 + SIGSEGV);
  // The hanging package outlives the installer; it is ours to end.
  if (const uint32_t package = Utils::FindProcess(L"__Package_Quorvane.exe")) ::kill(static_cast<pid_t>(package), SIGKILL);

  std::vector<std::string> events;
  for (const std::string& line : collector_->Records()) {
    const Json::Value record = Parse(line);
    const std::string task = record["properties"]["pw_task_name"].asString();
    events.push_back(task.empty() ? record["event"].asString() : task);
  }
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[events.size() - 2], "崩溃退出");
  EXPECT_EQ(events.back(), "AppCrashed");
}

TEST_F(SilentFunnelTest, AnalyticsOffInTheSettingsFileSendsNothingAndWritesNoIdentity) {
  Set(L"IsEnableAppMetrics", L"false");
  ASSERT_EQ(RunInstaller({"-isenableappmetrics=true"}), 0);
  EXPECT_TRUE(collector_->Records().empty());
  EXPECT_FALSE(Platform::PathExists(TrackerIni()));
}

TEST_F(SilentFunnelTest, AnalyticsOffOnTheCommandLineKeepsTheTrackerButSendsNothing) {
  ASSERT_EQ(RunInstaller({"-isenableappmetrics=false"}), 0);
  EXPECT_TRUE(collector_->Records().empty());
  EXPECT_TRUE(Platform::IsRegularFile(TrackerIni()));
}

}  // namespace
