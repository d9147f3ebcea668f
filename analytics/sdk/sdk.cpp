#include "analytics/sdk/sdk.h"

#include <shared_mutex>
#include <type_traits>

#include "analytics/sdk/record_buffer.h"
#include "analytics/sdk/time_source.h"
#include "analytics/sdk/validation.h"

namespace usage_analytics {
namespace {

std::shared_mutex instanceMutex;
Sdk* sdkInstance = nullptr;

// Runs `operation` on the instance under the shared lock; false without an instance.
template <typename Operation>
bool WithInstance(Operation operation) {
  std::shared_lock lock(instanceMutex);
  return sdkInstance ? operation(*sdkInstance) : false;
}

PropertiesNode LibraryProperties() {
  PropertiesNode lib;
  lib.SetString("$lib", kLibraryName);
  lib.SetString("$lib_version", kLibraryVersion);
  return lib;
}

// A property set holding one value, for the single-key profile operations.
template <typename Value>
PropertiesNode OneProperty(const std::string& key, const Value& value, bool& stored) {
  PropertiesNode node;
  if constexpr (std::is_same_v<Value, std::string>) {
    stored = node.SetString(key, value);
  } else if constexpr (std::is_same_v<Value, double>) {
    stored = node.SetNumber(key, value);
  } else {
    node.SetNumber(key, static_cast<int64_t>(value));
    stored = true;
  }
  return node;
}

template <typename Value>
bool ProfileOne(bool (*operation)(const PropertiesNode&), const std::string& key, const Value& value) {
  bool stored = false;
  const PropertiesNode node = OneProperty(key, value, stored);
  return stored && operation(node);
}

}  // namespace

Sdk::Sdk(const std::string& stagingPath, const std::string& serverUrl, std::string distinctId, bool isLoginId)
    : superProperties_(LibraryProperties()),
      distinctId_(std::move(distinctId)),
      isLoginId_(isLoginId),
      buffer_(std::make_unique<RecordBuffer>(serverUrl, stagingPath)) {}

Sdk::~Sdk() = default;

bool Sdk::Init(const std::string& stagingPath, const std::string& serverUrl, const std::string& distinctId,
               bool isLoginId) {
  if (!CheckIdentifier(distinctId, "Distinct ID")) return false;
  std::unique_lock lock(instanceMutex);
  if (!sdkInstance) {
    sdkInstance = new Sdk(stagingPath, serverUrl, distinctId, isLoginId);
    TimeSource& source = CurrentTimeSource();
    source.Seed(static_cast<uint32_t>(source.NowMilliseconds() / 1000));
  }
  return true;
}

void Sdk::Shutdown() {
  std::unique_lock lock(instanceMutex);
  if (!sdkInstance) return;
  sdkInstance->buffer_->Close();
  delete sdkInstance;
  sdkInstance = nullptr;
}

bool Sdk::IsInitialized() {
  std::shared_lock lock(instanceMutex);
  return sdkInstance != nullptr;
}

bool Sdk::Track(const std::string& eventName, const PropertiesNode& properties) {
  return WithInstance([&](Sdk& sdk) {
    std::string distinctId;
    {
      std::lock_guard state(sdk.stateMutex_);
      distinctId = sdk.distinctId_;
    }
    return sdk.AddEvent("track", eventName, properties, distinctId, "");
  });
}

bool Sdk::Login(const std::string& loginId) {
  return WithInstance([&](Sdk& sdk) {
    std::string previousId;
    {
      std::lock_guard state(sdk.stateMutex_);
      previousId = sdk.distinctId_;
    }
    const bool added = sdk.AddEvent("track_signup", "$SignUp", PropertiesNode(), loginId, previousId);
    std::lock_guard state(sdk.stateMutex_);
    sdk.distinctId_ = loginId;
    sdk.isLoginId_ = true;
    return added;
  });
}

bool Sdk::ProfileOperation(const std::string& type, const PropertiesNode& properties) {
  std::string distinctId;
  {
    std::lock_guard state(stateMutex_);
    distinctId = distinctId_;
  }
  return AddEvent(type, "", properties, distinctId, "");
}

bool Sdk::ProfileSet(const PropertiesNode& properties) {
  return WithInstance([&](Sdk& sdk) { return sdk.ProfileOperation("profile_set", properties); });
}
bool Sdk::ProfileSet(const std::string& key, const std::string& value) { return ProfileOne(&Sdk::ProfileSet, key, value); }
bool Sdk::ProfileSet(const std::string& key, int64_t value) { return ProfileOne(&Sdk::ProfileSet, key, value); }
bool Sdk::ProfileSet(const std::string& key, double value) { return ProfileOne(&Sdk::ProfileSet, key, value); }

bool Sdk::ProfileSetOnce(const PropertiesNode& properties) {
  return WithInstance([&](Sdk& sdk) { return sdk.ProfileOperation("profile_set_once", properties); });
}
bool Sdk::ProfileSetOnce(const std::string& key, const std::string& value) {
  return ProfileOne(&Sdk::ProfileSetOnce, key, value);
}
bool Sdk::ProfileSetOnce(const std::string& key, int64_t value) { return ProfileOne(&Sdk::ProfileSetOnce, key, value); }
bool Sdk::ProfileSetOnce(const std::string& key, double value) { return ProfileOne(&Sdk::ProfileSetOnce, key, value); }

bool Sdk::ProfileIncrement(const PropertiesNode& properties) {
  return WithInstance([&](Sdk& sdk) { return sdk.ProfileOperation("profile_increment", properties); });
}
bool Sdk::ProfileIncrement(const std::string& key, int64_t value) {
  return ProfileOne(&Sdk::ProfileIncrement, key, value);
}

bool Sdk::ProfileAppend(const std::string& key, const std::vector<std::string>& values) {
  PropertiesNode node;
  node.SetList(key, values);
  return WithInstance([&](Sdk& sdk) { return sdk.ProfileOperation("profile_append", node); });
}

bool Sdk::RegisterSuperProperties(const PropertiesNode& properties) {
  return WithInstance([&](Sdk& sdk) {
    std::lock_guard state(sdk.stateMutex_);
    sdk.superProperties_.Merge(properties);
    return true;
  });
}

bool Sdk::FlushAll() {
  return WithInstance([](Sdk& sdk) { return sdk.buffer_->FlushAll(); });
}

std::string Sdk::DistinctId() {
  std::string id;
  WithInstance([&](Sdk& sdk) {
    std::lock_guard state(sdk.stateMutex_);
    id = sdk.distinctId_;
    return true;
  });
  return id;
}

std::vector<std::string> Sdk::PendingRecords() {
  std::vector<std::string> records;
  WithInstance([&](Sdk& sdk) {
    records = sdk.buffer_->Records();
    return true;
  });
  return records;
}

bool Sdk::AddEvent(const std::string& type, const std::string& eventName, const PropertiesNode& properties,
                   const std::string& distinctId, const std::string& previousId) {
  if (!CheckProperties(properties)) return false;
  if (type == "track" && !CheckName(eventName, "Event Name")) return false;
  if (type == "track_signup" && !CheckIdentifier(previousId, "Original ID")) return false;

  PropertiesNode allProperties;
  bool isLoginId = false;
  {
    std::lock_guard state(stateMutex_);
    if (type.find("track") != std::string::npos) allProperties.Merge(superProperties_);
    isLoginId = isLoginId_;
  }
  allProperties.Merge(properties);

  int64_t time = 0;
  if (const ValueNode* eventTime = allProperties.Find("$time")) {
    time = eventTime->seconds() * 1000 + eventTime->milliseconds();
    allProperties.Remove("$time");
  } else {
    time = CurrentTimeSource().NowMilliseconds();
  }
  std::string project;
  if (const ValueNode* projectValue = allProperties.Find("$project")) {
    project = projectValue->text();
    allProperties.Remove("$project");
  }
  if (isLoginId) allProperties.SetBool("$is_login_id", true);

  PropertiesNode lib = LibraryProperties();
  lib.SetString("$lib_method", "code");

  utils::ObjectNode record;
  record.SetValue("type", ValueNode::String(type));
  record.SetValue("time", ValueNode::Int(time));
  record.SetValue("distinct_id", ValueNode::String(distinctId));
  record.SetObject("properties", allProperties);
  record.SetObject("lib", lib);
  record.SetValue("_track_id", ValueNode::Int(NewTrackId()));
  if (!project.empty()) record.SetValue("project", ValueNode::String(project));
  if (type == "track") record.SetValue("event", ValueNode::String(eventName));
  if (type == "track_signup") {
    record.SetValue("event", ValueNode::String(eventName));
    record.SetValue("original_id", ValueNode::String(previousId));
  }
  buffer_->Add(record);
  return true;
}

}  // namespace usage_analytics
