#pragma once
// The tracker's event log. Per-event logging is off in this system, so the file is only created
// and held open.

#include <fstream>
#include <mutex>
#include <string>

namespace plenwick::metrics {

class TrackLogger {
 public:
  virtual ~TrackLogger() = default;
  virtual void writeEvent(const std::string& eventName, const std::string& propertiesJson) = 0;
  virtual void close() = 0;
};

// Appends one line per event to a file (created when missing, kept open until close).
class NativeTrackLogger final : public TrackLogger {
 public:
  explicit NativeTrackLogger(const std::string& path);
  ~NativeTrackLogger() override;
  void writeEvent(const std::string& eventName, const std::string& propertiesJson) override;
  void close() override;

 private:
  std::mutex mutex_;  // guards file_: events may be logged from any reporting thread
  std::ofstream file_;
};

}  // namespace plenwick::metrics
