#include "analytics/tracker/track_logger.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/codepage.h"

namespace plenwick::metrics {

NativeTrackLogger::NativeTrackLogger(const std::string& path)
    : file_(Platform::WideToAnsi(Platform::Utf8ToWide(path)), std::ios::binary | std::ios::app) {}

NativeTrackLogger::~NativeTrackLogger() { close(); }

void NativeTrackLogger::writeEvent(const std::string& eventName, const std::string& propertiesJson) {
  const Platform::LocalTime t = Platform::GetLocalTime();
  char stamp[32];
  std::snprintf(stamp, sizeof(stamp), "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                t.second, t.millisecond);
  std::lock_guard lock(mutex_);
  if (file_.is_open()) file_ << stamp << ' ' << eventName << ' ' << propertiesJson << '\n' << std::flush;
}

void NativeTrackLogger::close() {
  std::lock_guard lock(mutex_);
  if (file_.is_open()) file_.close();
}

}  // namespace plenwick::metrics
