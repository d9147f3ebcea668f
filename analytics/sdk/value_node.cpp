#include "analytics/sdk/value_node.h"

#include "analytics/sdk/json_writer.h"

namespace usage_analytics {

ValueNode::ValueNode() = default;
ValueNode::ValueNode(Type type) : type_(type) {}
ValueNode::~ValueNode() = default;
ValueNode::ValueNode(ValueNode&& other) noexcept = default;
ValueNode& ValueNode::operator=(ValueNode&& other) noexcept = default;

ValueNode::ValueNode(const ValueNode& other)
    : type_(other.type_),
      scalar_(other.scalar_),
      milliseconds_(other.milliseconds_),
      text_(other.text_),
      list_(other.list_),
      object_(other.object_ ? std::make_unique<utils::ObjectNode>(*other.object_) : nullptr) {}

ValueNode& ValueNode::operator=(const ValueNode& other) {
  if (this != &other) *this = ValueNode(other);
  return *this;
}

ValueNode ValueNode::Number(double value) {
  ValueNode node(NUMBER);
  node.scalar_.number = value;
  return node;
}

ValueNode ValueNode::Int(int64_t value) {
  ValueNode node(INT);
  node.scalar_.integer = value;
  return node;
}

ValueNode ValueNode::String(std::string value) {
  ValueNode node(STRING);
  node.text_ = std::move(value);
  return node;
}

ValueNode ValueNode::List(std::vector<std::string> values) {
  ValueNode node(LIST);
  node.list_ = std::move(values);
  return node;
}

ValueNode ValueNode::DateTime(int64_t seconds, int32_t milliseconds) {
  ValueNode node(DATETIME);
  node.scalar_.integer = seconds;
  node.milliseconds_ = milliseconds;
  return node;
}

ValueNode ValueNode::Bool(bool value) {
  ValueNode node(BOOL);
  node.scalar_.boolean = value;
  return node;
}

ValueNode ValueNode::Object(const utils::ObjectNode& value) {
  ValueNode node(OBJECT);
  node.object_ = std::make_unique<utils::ObjectNode>(value);
  return node;
}

const utils::ObjectNode& ValueNode::object() const {
  static const utils::ObjectNode empty;
  return object_ ? *object_ : empty;
}

void ValueNode::AppendJson(std::string& out) const {
  switch (type_) {
    case NUMBER: json::AppendNumber(out, scalar_.number); break;
    case INT: json::AppendInteger(out, scalar_.integer); break;
    case STRING: json::AppendString(out, text_); break;
    case LIST:
      out.push_back('[');
      for (size_t i = 0; i < list_.size(); ++i) {
        if (i) out.push_back(',');
        json::AppendString(out, list_[i]);
      }
      out.push_back(']');
      break;
    case DATETIME: json::AppendDateTime(out, scalar_.integer, milliseconds_); break;
    case BOOL: out += scalar_.boolean ? "true" : "false"; break;
    case OBJECT: object().AppendJson(out); break;
  }
}

namespace utils {

void ObjectNode::SetObject(const std::string& key, const ObjectNode& node) {
  SetValue(key, ValueNode::Object(node));
}

void ObjectNode::SetValue(const std::string& key, ValueNode value) {
  entries_.insert_or_assign(key, std::move(value));
}

const ValueNode* ObjectNode::Find(const std::string& key) const {
  const auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

void ObjectNode::Remove(const std::string& key) { entries_.erase(key); }

void ObjectNode::AppendJson(std::string& out) const {
  out.push_back('{');
  bool first = true;
  for (const auto& [key, value] : entries_) {
    if (!first) out.push_back(',');
    first = false;
    out.push_back('"');
    out += key;
    out += "\":";
    value.AppendJson(out);
  }
  out.push_back('}');
}

std::string ObjectNode::ToJson() const {
  std::string out;
  AppendJson(out);
  return out;
}

}  // namespace utils
}  // namespace usage_analytics
