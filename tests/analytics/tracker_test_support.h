#pragma once
// A tracker on a scratch home: the local application data folder points into a fresh folder,
// the locale is fixed and no display is reachable, so every device fact but the OS version is
// the same on every machine.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "analytics/tracker/metrics_tracker_impl.h"
#include "tests/analytics/analytics_test_support.h"

namespace analytics_test {

// Nothing listens on port 1 of the loopback: every send is refused at once.
inline constexpr char kDeadCollector[] = "http://127.0.0.1:1/collect?project=pc";

class TrackerHome : public testing::Test {
 protected:
  void SetUp() override {
    setenv("XDG_STATE_HOME", home_.path().c_str(), 1);
    setenv("LANG", "zh_CN.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    unsetenv("DISPLAY");
  }

  static plenwick::metrics::TrackerConfig Config(const std::string& url = kDeadCollector) {
    plenwick::metrics::TrackerConfig config;
    config.appName = "App.downloader";
    config.appVersion = "1.7.9";
    config.appStore = "QuorvaneSetup.exe";
    config.dlAppId = "App";
    config.serverUrl = url;
    return config;
  }

  std::unique_ptr<plenwick::metrics::MetricsTrackerImpl> StartTracker(const std::string& url = kDeadCollector) {
    auto tracker = std::make_unique<plenwick::metrics::MetricsTrackerImpl>(Config(url));
    tracker->init();
    return tracker;
  }

  // Where the tracker of Config() keeps its files.
  std::string LocalFolder() const { return (home_.path() / "PWLocal" / "App.downloader").string() + "/"; }
  std::string IniPath() const { return LocalFolder() + "App.downloader_PWSConfigure.ini"; }

  ScratchFolder home_;
};

}  // namespace analytics_test
