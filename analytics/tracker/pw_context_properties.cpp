#include "analytics/tracker/pw_context_properties.h"

#include "analytics/tracker/pw_exception.h"

namespace plenwick::metrics {
namespace {

constexpr char kUnit[] = "PwContextProperties";

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsAlnum(char c) { return IsUpper(c) || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// Negative codes are refused like codes above the last one: both would index past the table.
void CheckEventType(int eventType, const char* operation) {
  if (eventType < 0 || eventType >= kEventTypeCount)
    PW_THROW("PwEvent[" + std::to_string(eventType) + "] overflow!", operation, kUnit);
}

}  // namespace

bool PwContextProperties::isValidABValue(const std::string& value) {
  if (value.empty()) return false;
  if (value.size() >= 4) PW_THROW("value's length is great than 3.", "isValidABValue", kUnit);
  if (!IsUpper(value[0])) PW_THROW("First char is not in A to Z", "isValidABValue", kUnit);
  if (value.size() > 1 && !IsAlnum(value[1]))
    PW_THROW("second char is not in A to Z and 0 to 9", "isValidABValue", kUnit);
  if (value.size() > 2 && !IsAlnum(value[2]))
    PW_THROW("third char is not in A to Z and 0 to 9", "isValidABValue", kUnit);
  return true;
}

void PwContextProperties::setProperty(const std::vector<int>& eventTypes, const std::string& value) {
  if (common_.count(kAbKey)) PW_THROW(std::string("Property[") + kAbKey + "] already exist!", "setProperty", kUnit);
  for (const int type : eventTypes) CheckEventType(type, "setProperty");
  auto entry = std::make_shared<Entry>();
  entry->value = std::make_shared<const std::string>(value);
  entry->key = kAbKey;
  common_.emplace(kAbKey, entry);
  for (const int type : eventTypes) byType_[static_cast<size_t>(type)].push_back(entry);
}

const PwContextProperties::EntryList& PwContextProperties::getEventProperties(int eventType) const {
  CheckEventType(eventType, "getEventProperties");
  return byType_[static_cast<size_t>(eventType)];
}

}  // namespace plenwick::metrics
