#pragma once
// The tracker that does the work: validates each event record, turns it into properties, adds the
// caller's context properties, hands it to the SDK and asks for a send. It owns the identity and
// settings record and registers the properties common to every event at initialisation.
//
// Track methods may run on several threads at once: each builds its own nodes, and the SDK and the
// send step are thread-safe. Initialisation, setLocale and login run on one thread (the owner's).

#include <memory>
#include <string>

#include "analytics/tracker/metrics_tracker.h"
#include "analytics/tracker/send_step.h"
#include "analytics/tracker/tracker_settings.h"

namespace usage_analytics {
class PropertiesNode;
}

namespace plenwick::metrics {

// The collector used when the configuration names none.
inline constexpr char kDefaultCollectorUrl[] = "https://metrics.plenwick.example/collect?project=pc";
inline constexpr char kSdkVersion[] = "3.3.8";

class MetricsTrackerImpl final : public MetricsTracker {
 public:
  explicit MetricsTrackerImpl(const TrackerConfig& config);
  // Waits for running send threads, writes the identity back, flushes what is pending and stages
  // the rest, then shuts the SDK down.
  ~MetricsTrackerImpl() override;

  // Raises PwException (operation "init") when the configuration is incomplete or the SDK refuses.
  void init();

  void trackActivity(const PwEventActivity& event, const PwContextProperties& context) override;
  void trackLaunch(const PwEventLaunch& event, const PwContextProperties& context) override;
  void trackLogin(const PwEventLogin& event, const PwContextProperties& context, bool succeeded) override;
  void trackClick(const PwEventClick& event, const PwContextProperties& context) override;
  void trackView(const PwEventView& event, const PwContextProperties& context) override;
  void trackCashier(const PwEventCashier& event, const PwContextProperties& context) override;
  void trackShare(const PwEventShare& event, const PwContextProperties& context) override;
  void trackTask(const PwEventTask& event, const PwContextProperties& context) override;
  void trackFile(const PwEventFile& event, const PwContextProperties& context) override;
  void trackOrder(const PwEventOrder& event, const PwContextProperties& context) override;
  void trackPayment(const PwEventPayment& event, const PwContextProperties& context) override;
  void trackUninstall(const PwEventUninstall& event, const PwContextProperties& context) override;
  void trackCrash(const std::string& reason) override;
  void trackUpdate(const PwEventUpdate& event, const PwContextProperties& context) override;
  void trackAppOpenNotification(const PwEventAppOpenNotification* event, const PwContextProperties& context) override;
  void setLocale(const std::string& locale) override;
  std::string getPrimaryDistinctId() override;
  TrackLogger* getLogger() override;

  // Blocks until no send thread started for this tracker is still running.
  void waitForSenders() { scheduler_.WaitForSenders(); }

  const TrackerSettings& settings() const { return *settings_; }
  const std::string& serverUrl() const { return serverUrl_; }
  // The file unsent records are staged in at shutdown.
  std::string stagingPath() const;

 private:
  void Submit(const char* eventName, PwEventType type, usage_analytics::PropertiesNode& properties,
              const PwContextProperties* context, bool immediate);
  void RegisterCommonProperties();
  void RegisterLocale();
  void LoginFlow(const PwEventLogin& event);
  void UpdateVisitProfile();
  void UpdateDeviceProfile();
  void UpdatePaymentProfile(double paidAmount);

  std::string serverUrl_;
  std::string appName_;
  std::string appVersion_;
  std::string appStore_;
  std::string dlAppId_;
  std::string dlAppVersion_;
  std::unique_ptr<TrackLogger> logger_;
  bool logEnabled_ = false;
  bool sdkStarted_ = false;  // this tracker's init created the SDK instance
  int edition_ = 0;
  std::unique_ptr<TrackerSettings> settings_;
  SendScheduler scheduler_;
};

}  // namespace plenwick::metrics
