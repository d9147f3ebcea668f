#include "analytics/tracker/metrics_tracker_wrapper.h"

#include <iostream>

namespace plenwick::metrics {

template <typename Call>
void MetricsTrackerWrapper::Guarded(const char* method, Call call) {
  if (!impl_) return;
  try {
    call(*impl_);
  } catch (...) {
    if (impl_->getLogger()) std::cout << "Failed to " << method << std::endl;
  }
}

void MetricsTrackerWrapper::trackActivity(const PwEventActivity& event, const PwContextProperties& context) {
  Guarded("trackActivity", [&](MetricsTrackerImpl& t) { t.trackActivity(event, context); });
}
void MetricsTrackerWrapper::trackLaunch(const PwEventLaunch& event, const PwContextProperties& context) {
  Guarded("trackLaunch", [&](MetricsTrackerImpl& t) { t.trackLaunch(event, context); });
}
void MetricsTrackerWrapper::trackLogin(const PwEventLogin& event, const PwContextProperties& context, bool succeeded) {
  Guarded("trackLogin", [&](MetricsTrackerImpl& t) { t.trackLogin(event, context, succeeded); });
}
void MetricsTrackerWrapper::trackClick(const PwEventClick& event, const PwContextProperties& context) {
  Guarded("trackClick", [&](MetricsTrackerImpl& t) { t.trackClick(event, context); });
}
void MetricsTrackerWrapper::trackView(const PwEventView& event, const PwContextProperties& context) {
  Guarded("trackView", [&](MetricsTrackerImpl& t) { t.trackView(event, context); });
}
void MetricsTrackerWrapper::trackCashier(const PwEventCashier& event, const PwContextProperties& context) {
  Guarded("trackCashier", [&](MetricsTrackerImpl& t) { t.trackCashier(event, context); });
}
void MetricsTrackerWrapper::trackShare(const PwEventShare& event, const PwContextProperties& context) {
  Guarded("trackShare", [&](MetricsTrackerImpl& t) { t.trackShare(event, context); });
}
void MetricsTrackerWrapper::trackTask(const PwEventTask& event, const PwContextProperties& context) {
  Guarded("trackTask", [&](MetricsTrackerImpl& t) { t.trackTask(event, context); });
}
void MetricsTrackerWrapper::trackFile(const PwEventFile& event, const PwContextProperties& context) {
  Guarded("trackFile", [&](MetricsTrackerImpl& t) { t.trackFile(event, context); });
}
void MetricsTrackerWrapper::trackOrder(const PwEventOrder& event, const PwContextProperties& context) {
  Guarded("trackOrder", [&](MetricsTrackerImpl& t) { t.trackOrder(event, context); });
}
void MetricsTrackerWrapper::trackPayment(const PwEventPayment& event, const PwContextProperties& context) {
  Guarded("trackPayment", [&](MetricsTrackerImpl& t) { t.trackPayment(event, context); });
}
void MetricsTrackerWrapper::trackUninstall(const PwEventUninstall& event, const PwContextProperties& context) {
  Guarded("trackUninstall", [&](MetricsTrackerImpl& t) { t.trackUninstall(event, context); });
}
void MetricsTrackerWrapper::trackCrash(const std::string& reason) {
  Guarded("trackCrash", [&](MetricsTrackerImpl& t) { t.trackCrash(reason); });
}
void MetricsTrackerWrapper::trackUpdate(const PwEventUpdate& event, const PwContextProperties& context) {
  Guarded("trackUpdate", [&](MetricsTrackerImpl& t) { t.trackUpdate(event, context); });
}
void MetricsTrackerWrapper::trackAppOpenNotification(const PwEventAppOpenNotification* event,
                                                     const PwContextProperties& context) {
  Guarded("trackAppOpenNotification", [&](MetricsTrackerImpl& t) { t.trackAppOpenNotification(event, context); });
}

void MetricsTrackerWrapper::setLocale(const std::string& locale) {
  if (impl_) impl_->setLocale(locale);
}

std::string MetricsTrackerWrapper::getPrimaryDistinctId() { return impl_ ? impl_->getPrimaryDistinctId() : std::string(); }

std::shared_ptr<MetricsTracker> CreateMetricsTracker(const TrackerConfig& config) {
  auto impl = std::make_unique<MetricsTrackerImpl>(config);
  try {
    impl->init();
  } catch (...) {
    // The tracker still answers calls; without an SDK instance it sends nothing.
  }
  return std::make_shared<MetricsTrackerWrapper>(std::move(impl));
}

}  // namespace plenwick::metrics
