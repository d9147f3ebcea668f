#pragma once
// The tracker handed to application code: forwards every call to the implementation it owns and
// keeps exceptions of the track methods from reaching the caller ("Failed to trackTask" on the
// standard output instead, while the tracker has a logger).

#include <memory>

#include "analytics/tracker/metrics_tracker_impl.h"

namespace plenwick::metrics {

class MetricsTrackerWrapper final : public MetricsTracker {
 public:
  explicit MetricsTrackerWrapper(std::unique_ptr<MetricsTrackerImpl> impl) : impl_(std::move(impl)) {}

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
  // The wrapper has no log of its own.
  TrackLogger* getLogger() override { return nullptr; }

  MetricsTrackerImpl* impl() { return impl_.get(); }

 private:
  template <typename Call>
  void Guarded(const char* method, Call call);

  std::unique_ptr<MetricsTrackerImpl> impl_;
};

}  // namespace plenwick::metrics
