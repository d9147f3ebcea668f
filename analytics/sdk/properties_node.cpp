#include "analytics/sdk/properties_node.h"

#include <cmath>
#include <iostream>

#include "analytics/sdk/validation.h"

namespace usage_analytics {

void PropertiesNode::SetObject(const std::string&, const utils::ObjectNode&) {}

bool PropertiesNode::SetNumber(const std::string& key, double value) {
  if (!std::isfinite(value)) {
    std::cerr << "Number property '" << key << "' is not a finite number." << std::endl;
    return false;
  }
  SetValue(key, ValueNode::Number(value));
  return true;
}

void PropertiesNode::SetNumber(const std::string& key, int32_t value) { SetValue(key, ValueNode::Int(value)); }

void PropertiesNode::SetNumber(const std::string& key, int64_t value) { SetValue(key, ValueNode::Int(value)); }

bool PropertiesNode::SetString(const std::string& key, const std::string& value) {
  if (value.size() > kMaxStringPropertyBytes) {
    std::cerr << "String property '" << key << "' is too long, value: " << value << std::endl;
    return false;
  }
  if (!IsAcceptableUtf8(value)) {
    std::cerr << "String property '" << key << "' is not valid UTF-8 string, value: " << value << std::endl;
    return false;
  }
  SetValue(key, ValueNode::String(value));
  return true;
}

bool PropertiesNode::SetString(const std::string& key, const char* value) {
  if (!value) {
    std::cerr << "String property '" << key << "' is not valid UTF-8 string, value: (null)" << std::endl;
    return false;
  }
  return SetString(key, std::string(value));
}

void PropertiesNode::SetBool(const std::string& key, bool value) { SetValue(key, ValueNode::Bool(value)); }

void PropertiesNode::SetList(const std::string& key, const std::vector<std::string>& values) {
  SetValue(key, ValueNode::List(values));
}

void PropertiesNode::SetDateTime(const std::string& key, int64_t seconds, int32_t milliseconds) {
  SetValue(key, ValueNode::DateTime(seconds, milliseconds));
}

void PropertiesNode::Merge(const utils::ObjectNode& other) {
  for (const auto& [key, value] : other.entries()) SetValue(key, value);
}

}  // namespace usage_analytics
