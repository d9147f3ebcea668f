#pragma once
// The tracker interface application code reports through: one method per kind of business event,
// each taking its record and the caller's context properties.

#include <memory>
#include <string>

#include "analytics/tracker/pw_context_properties.h"
#include "analytics/tracker/pw_events.h"
#include "analytics/tracker/track_logger.h"

namespace plenwick::metrics {

// What the tracker is created from; texts are UTF-8.
struct TrackerConfig {
  std::string appName;
  std::string appVersion;
  std::string appStore;
  std::string dlAppId;
  std::string dlAppVersion;
  std::string unused;   // carried for the product's configuration; the tracker ignores it
  std::string logPath;  // empty: the tracker's local folder
  int edition = 0;      // PwEdition
  std::string serverUrl;  // empty: the default collector
};

class MetricsTracker {
 public:
  virtual ~MetricsTracker() = default;
  virtual void trackActivity(const PwEventActivity& event, const PwContextProperties& context) = 0;
  virtual void trackLaunch(const PwEventLaunch& event, const PwContextProperties& context) = 0;
  virtual void trackLogin(const PwEventLogin& event, const PwContextProperties& context, bool succeeded) = 0;
  virtual void trackClick(const PwEventClick& event, const PwContextProperties& context) = 0;
  virtual void trackView(const PwEventView& event, const PwContextProperties& context) = 0;
  virtual void trackCashier(const PwEventCashier& event, const PwContextProperties& context) = 0;
  virtual void trackShare(const PwEventShare& event, const PwContextProperties& context) = 0;
  virtual void trackTask(const PwEventTask& event, const PwContextProperties& context) = 0;
  virtual void trackFile(const PwEventFile& event, const PwContextProperties& context) = 0;
  virtual void trackOrder(const PwEventOrder& event, const PwContextProperties& context) = 0;
  virtual void trackPayment(const PwEventPayment& event, const PwContextProperties& context) = 0;
  virtual void trackUninstall(const PwEventUninstall& event, const PwContextProperties& context) = 0;
  virtual void trackCrash(const std::string& reason) = 0;
  virtual void trackUpdate(const PwEventUpdate& event, const PwContextProperties& context) = 0;
  virtual void trackAppOpenNotification(const PwEventAppOpenNotification* event,
                                        const PwContextProperties& context) = 0;
  virtual void setLocale(const std::string& locale) = 0;
  virtual std::string getPrimaryDistinctId() = 0;
  virtual TrackLogger* getLogger() = 0;
};

// Builds the implementation from `config`, runs its initialisation (a failure is swallowed: the
// tracker then sends nothing) and wraps it so that no track call throws.
std::shared_ptr<MetricsTracker> CreateMetricsTracker(const TrackerConfig& config);

}  // namespace plenwick::metrics
