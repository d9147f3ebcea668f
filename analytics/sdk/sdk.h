#pragma once
// The process-wide SDK instance: turns "track this event with these properties" into one JSON
// record (super properties, time, distinct id, library block, track id) and queues it for the
// transport. Every operation answers false, or does nothing, while no instance exists.
//
// Locks: `instanceMutex` (in sdk.cpp) guards the instance pointer; it is held shared by every
// operation and exclusively only while the instance is created or destroyed. The instance's own
// `stateMutex_` guards the super properties, the distinct id and the login flag.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/sdk/properties_node.h"

namespace usage_analytics {

class RecordBuffer;

inline constexpr char kLibraryName[] = "cpp";
inline constexpr char kLibraryVersion[] = "0.9";

class Sdk {
 public:
  // Checks `distinctId`; creates the instance when none exists (a second call keeps it).
  static bool Init(const std::string& stagingPath, const std::string& serverUrl, const std::string& distinctId,
                   bool isLoginId);
  // Closes the buffer (staging what is left) and destroys the instance.
  static void Shutdown();
  static bool IsInitialized();

  static bool Track(const std::string& eventName, const PropertiesNode& properties);
  // A "$SignUp" record linking `loginId` to the current distinct id; afterwards events are sent
  // under `loginId` as a login identifier.
  static bool Login(const std::string& loginId);

  static bool ProfileSet(const PropertiesNode& properties);
  static bool ProfileSet(const std::string& key, const std::string& value);
  static bool ProfileSet(const std::string& key, int64_t value);
  static bool ProfileSet(const std::string& key, double value);
  static bool ProfileSetOnce(const PropertiesNode& properties);
  static bool ProfileSetOnce(const std::string& key, const std::string& value);
  static bool ProfileSetOnce(const std::string& key, int64_t value);
  static bool ProfileSetOnce(const std::string& key, double value);
  static bool ProfileIncrement(const PropertiesNode& properties);
  static bool ProfileIncrement(const std::string& key, int64_t value);
  static bool ProfileAppend(const std::string& key, const std::vector<std::string>& values);

  static bool RegisterSuperProperties(const PropertiesNode& properties);

  // The transport behind the instance (false without one).
  static bool FlushAll();
  // What the instance holds right now (empty without one): the current distinct id and the
  // records waiting to be sent, oldest first.
  static std::string DistinctId();
  static std::vector<std::string> PendingRecords();

  ~Sdk();

 private:
  Sdk(const std::string& stagingPath, const std::string& serverUrl, std::string distinctId, bool isLoginId);

  bool AddEvent(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                const std::string& distinctId, const std::string& previousId);
  bool ProfileOperation(const std::string& type, const PropertiesNode& properties);

  std::mutex stateMutex_;
  PropertiesNode superProperties_;
  std::string distinctId_;
  bool isLoginId_ = false;
  std::unique_ptr<RecordBuffer> buffer_;
};

}  // namespace usage_analytics
