#include "analytics/installer_analytics.h"

#include <mutex>

#include "app/installer_settings.h"
#include "download/download_report.h"
#include "platform/clock.h"
#include "platform/codepage.h"

using plenwick::metrics::MetricsTracker;
using plenwick::metrics::PwContextProperties;
using plenwick::metrics::PwEventType;

namespace {

// The slot holding the tracker. It is never destroyed, so a tracker left in it (analytics
// switched off on the command line, or an exit without ShutdownAnalytics) is not torn down during
// static destruction, after the HTTP library and the SDK's own state are gone.
struct TrackerSlot {
  std::mutex mutex;  // guards tracker
  std::shared_ptr<MetricsTracker> tracker;
};

TrackerSlot& Slot() {
  static TrackerSlot* const slot = new TrackerSlot;
  return *slot;
}

std::string Utf8(const std::wstring& text) { return Platform::WideToUtf8(text); }

// The tracker to report to, or none when analytics is off or not initialised.
std::shared_ptr<MetricsTracker> ReportingTracker() {
  if (!Settings().IsEnableAppMetrics) return nullptr;
  return globalTracker();
}

int TypeCode(PwEventType type) { return static_cast<int>(type); }

}  // namespace

std::shared_ptr<MetricsTracker> globalTracker() {
  TrackerSlot& slot = Slot();
  std::lock_guard lock(slot.mutex);
  return slot.tracker;
}

plenwick::metrics::TrackerConfig MakeTrackerConfig(const InstallerSettings& settings) {
  plenwick::metrics::TrackerConfig config;
  config.appName = Utf8(settings.ProductId + settings.DlAppNameSuffix);
  config.appVersion = Utf8(settings.ProductVersion);
  config.appStore = Utf8(settings.InstallerFileName);
  config.dlAppId = Utf8(settings.ProductId);
  config.dlAppVersion = Utf8(settings.DlAppVersion);
  config.edition = 0;
  config.serverUrl = Utf8(settings.MetricsServerUrl);
  return config;
}

void InitAnalytics() {
  if (!Settings().IsEnableAppMetrics) return;
  std::shared_ptr<MetricsTracker> tracker = plenwick::metrics::CreateMetricsTracker(MakeTrackerConfig(Settings()));
  {
    TrackerSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    slot.tracker = std::move(tracker);
  }
  // The HTTP client's failure analysis ("下载失败原因" of the length probes) goes out as Task
  // events of the start-up group.
  SetDownloadReportHook([](const std::wstring& name, const std::wstring& reason) {
    ReportTask(name, reason, 0, {{kAbKey, kDefaultAbGroup}});
  });
}

void ShutdownAnalytics() {
  std::shared_ptr<MetricsTracker> tracker;
  {
    TrackerSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    tracker.swap(slot.tracker);
  }
  // A report still running on another thread holds its own share; the last share must be
  // released here so the final flush runs now, not whenever that thread lets go.
  while (tracker && tracker.use_count() > 1) Platform::SleepMilliseconds(1);
  tracker.reset();
}

void ApplyAbGroup(const ReportExtras& extras, const std::vector<int>& eventTypes, PwContextProperties& context) {
  if (extras.empty()) return;
  const auto ab = extras.find(kAbKey);
  if (ab == extras.end()) return;
  const std::string value = Utf8(ab->second);
  if (PwContextProperties::isValidABValue(value)) context.setProperty(eventTypes, value);
}

void ReportTask(const std::wstring& name, const std::wstring& reason, float elapsed, ReportExtras extras) {
  const std::shared_ptr<MetricsTracker> tracker = ReportingTracker();
  if (!tracker) return;
  PwContextProperties context;
  ApplyAbGroup(extras, {TypeCode(PwEventType::Task)}, context);
  plenwick::metrics::PwEventTask event;
  event.name = Utf8(name);
  event.reason = Utf8(reason);
  event.elapsed = std::make_shared<float>(elapsed);
  event.result = std::make_shared<plenwick::metrics::PwResult>(plenwick::metrics::PwResult::Success);
  tracker->trackTask(event, context);
}

void ReportClick(const std::wstring& label, ReportExtras extras) {
  const std::shared_ptr<MetricsTracker> tracker = ReportingTracker();
  if (!tracker) return;
  PwContextProperties context;
  ApplyAbGroup(extras, {TypeCode(PwEventType::Click)}, context);
  plenwick::metrics::PwEventClick event;
  event.name = Utf8(label);
  event.clickType = plenwick::metrics::PwClickType::Button;
  tracker->trackClick(event, context);
}

void ReportView(ReportExtras extras) {
  const std::shared_ptr<MetricsTracker> tracker = ReportingTracker();
  if (!tracker) return;
  PwContextProperties context;
  ApplyAbGroup(extras, {TypeCode(PwEventType::View)}, context);
  plenwick::metrics::PwEventView event;
  event.name = Utf8(L"安装中");
  tracker->trackView(event, context);
}

void ReportCrash() {
  const std::shared_ptr<MetricsTracker> tracker = ReportingTracker();
  if (!tracker) return;
  tracker->trackCrash(Utf8(L"崩溃"));
}
