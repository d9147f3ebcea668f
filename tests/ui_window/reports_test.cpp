// The funnel reports of the window reach the collector: the launch message and the first download
// start make one "下载器启动", the clicks and the progress view are reported, and a download
// failure carries the five-field reason gathered by the window.

#include "analytics/installer_analytics.h"
#include "window_fixture.h"

namespace WindowTest {
namespace {

size_t CountLinesWith(const std::vector<std::string>& lines, const std::string& needle) {
  size_t n = 0;
  for (const std::string& line : lines) n += line.find(needle) != std::string::npos;
  return n;
}

TEST_F(MainWindowTest, ADownloadFailureReportsItsFiveFieldReason) {
  TestSupport::Collector collector(dir_ / "records.txt");
  Settings().MetricsServerUrl = Platform::Utf8ToWide(collector.Url("/collect?project=pc"));
  Settings().IsEnableAppMetrics = true;
  InitAnalytics();
  server_->SetFault("/software/387", {.status = 404});

  SkinUI::CMainWnd& w = Open();
  w.PostMessage(SkinUI::WM_LAUNCH_REPORT);
  w.PostMessage(SkinUI::WM_LAUNCH_REPORT);
  host_.Pump();
  bool boxShown = false;
  AnswerNextBox(L"NetworkTipWnd", L"cancelBtn", nullptr, [&] { boxShown = true; });
  ASSERT_TRUE(host_.Click(w, L"defaultInstallBtn"));
  ASSERT_TRUE(WaitUntil([&] { return boxShown; }));
  EXPECT_EQ(w.CurrentPage(), SkinUI::kPageQuick) << "back to the page the installation started from";
  EXPECT_FALSE(WindowGone()) << "nothing installed yet: 稍后再试 keeps the installer";
  window_.reset();
  ShutdownAnalytics();

  const std::vector<std::string> records = collector.Records();
  EXPECT_EQ(CountLinesWith(records, "下载器启动"), 1u);
  EXPECT_EQ(CountLinesWith(records, "开始下载大包"), 1u);
  EXPECT_EQ(CountLinesWith(records, "立即安装"), 1u);
  EXPECT_EQ(CountLinesWith(records, "安装中"), 1u);
  std::string failure;
  for (const std::string& line : records)
    if (line.find("下载失败原因") != std::string::npos && line.find("1.code=") != std::string::npos) failure = line;
  ASSERT_FALSE(failure.empty()) << records.size() << " records";
  for (const char* field : {"2.msg=", "3.缓存磁盘容量=", "G；4.缓存读写权限=可读", "5.服务器连接状态code="})
    EXPECT_NE(failure.find(field), std::string::npos) << field << " in " << failure;
  EXPECT_NE(failure.find("\"pwc_ab\":\"IN\""), std::string::npos) << failure;
}

}  // namespace
}  // namespace WindowTest
