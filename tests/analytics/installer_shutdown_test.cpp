// The final flush at exit: ShutdownAnalytics returns only when the tracker is gone and its
// deferred events have reached the collector, so the HTTP library can be cleaned up after it.

#include <gtest/gtest.h>

#include <thread>

#include "analytics/install_funnel.h"
#include "analytics/installer_analytics.h"
#include "app/installer_settings.h"
#include "platform/codepage.h"
#include "tests/analytics/tracker_test_support.h"
#include "tests/support/peers.h"

namespace {

using analytics_test::StderrOf;

class InstallerShutdown : public analytics_test::TrackerHome {
 protected:
  void SetUp() override {
    TrackerHome::SetUp();
    Settings().IsEnableAppMetrics = true;
    Settings().MetricsServerUrl = Platform::Utf8ToWide(collector_.Url("/collect?project=pc"));
  }

  size_t CountOf(const std::string& text) const {
    size_t n = 0;
    for (const auto& line : collector_.Records()) n += line.find(text) != std::string::npos;
    return n;
  }

  TestSupport::Collector collector_{home_.path() / "records.txt"};
};

TEST_F(InstallerShutdown, DeferredFunnelEventsLeaveInTheFinalFlush) {
  InitAnalytics();
  InstallFunnel::ReportDownloadStarted();
  ReportClick(L"立即安装", {{kAbKey, kDefaultAbGroup}});
  InstallFunnel::ReportInstallSucceeded();
  EXPECT_TRUE(collector_.Records().empty());  // deferred: nothing leaves before the exit

  // A report still in progress on another thread holds the tracker a little longer.
  std::shared_ptr<plenwick::metrics::MetricsTracker> held = globalTracker();
  std::thread holder([held = std::move(held)]() mutable {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    held.reset();
  });
  StderrOf([] { ShutdownAnalytics(); });
  holder.join();
  EXPECT_EQ(globalTracker(), nullptr);
  EXPECT_EQ(CountOf("\"pw_task_name\":\"开始下载大包\""), 1u);
  EXPECT_EQ(CountOf("\"pw_name\":\"立即安装\""), 1u);
  EXPECT_EQ(CountOf("\"pw_task_name\":\"安装成功\""), 1u);
}

}  // namespace
