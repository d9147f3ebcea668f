#pragma once
// The property set of one event or profile record, with typed setters. Text values are checked
// (length and UTF-8) before they are stored; a refused value leaves the node unchanged.

#include <cstdint>
#include <string>
#include <vector>

#include "analytics/sdk/value_node.h"

namespace usage_analytics {

class PropertiesNode : public utils::ObjectNode {
 public:
  // Event and profile properties never contain nested objects.
  void SetObject(const std::string& key, const utils::ObjectNode& node) override;

  // A number that is not finite has no JSON form: it is refused like an invalid text.
  bool SetNumber(const std::string& key, double value);
  void SetNumber(const std::string& key, int32_t value);
  void SetNumber(const std::string& key, int64_t value);
  // True when the text was stored.
  bool SetString(const std::string& key, const std::string& value);
  bool SetString(const std::string& key, const char* value);
  void SetBool(const std::string& key, bool value);
  void SetList(const std::string& key, const std::vector<std::string>& values);
  void SetDateTime(const std::string& key, int64_t seconds, int32_t milliseconds);
  // Copies every entry of `other` over this node.
  void Merge(const utils::ObjectNode& other);
};

}  // namespace usage_analytics
