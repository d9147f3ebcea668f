#pragma once
// Typed property values and the ordered objects that hold them: what every analytics record is
// made of before it becomes one line of JSON.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace usage_analytics {

namespace utils {
class ObjectNode;
}

class ValueNode {
 public:
  enum Type : int32_t { NUMBER = 0, INT = 1, STRING = 2, LIST = 3, DATETIME = 4, BOOL = 5, OBJECT = 6 };

  ValueNode();
  ~ValueNode();
  ValueNode(const ValueNode& other);
  ValueNode(ValueNode&& other) noexcept;
  ValueNode& operator=(const ValueNode& other);
  ValueNode& operator=(ValueNode&& other) noexcept;

  static ValueNode Number(double value);
  static ValueNode Int(int64_t value);
  static ValueNode String(std::string value);
  static ValueNode List(std::vector<std::string> values);
  // An instant as seconds since 1970 (UTC) plus its milliseconds; written in local time.
  static ValueNode DateTime(int64_t seconds, int32_t milliseconds);
  static ValueNode Bool(bool value);
  static ValueNode Object(const utils::ObjectNode& value);

  Type type() const { return type_; }
  double number() const { return scalar_.number; }
  int64_t integer() const { return scalar_.integer; }
  bool boolean() const { return scalar_.boolean; }
  int64_t seconds() const { return scalar_.integer; }
  int32_t milliseconds() const { return milliseconds_; }
  const std::string& text() const { return text_; }
  const std::vector<std::string>& list() const { return list_; }
  // The nested object of an OBJECT value (an empty object for every other type).
  const utils::ObjectNode& object() const;

  // Appends this value's JSON form to `out`.
  void AppendJson(std::string& out) const;

 private:
  explicit ValueNode(Type type);

  Type type_ = NUMBER;
  union Scalar {
    double number;
    int64_t integer;  // INT, and the seconds of a DATETIME
    bool boolean;
  } scalar_{0.0};
  int32_t milliseconds_ = 0;
  std::string text_;
  std::vector<std::string> list_;
  std::unique_ptr<utils::ObjectNode> object_;
};

namespace utils {

// Entries ordered by byte-wise comparison of their keys; writing a key that exists replaces its
// value. Keys are written to JSON as they are: every key that reaches a record has passed the
// name rule or is one of the SDK's own.
class ObjectNode {
 public:
  using Entries = std::map<std::string, ValueNode>;

  ObjectNode() = default;
  ObjectNode(const ObjectNode&) = default;
  ObjectNode(ObjectNode&&) = default;
  ObjectNode& operator=(const ObjectNode&) = default;
  ObjectNode& operator=(ObjectNode&&) = default;
  virtual ~ObjectNode() = default;

  virtual void SetObject(const std::string& key, const ObjectNode& node);

  void SetValue(const std::string& key, ValueNode value);
  const ValueNode* Find(const std::string& key) const;
  void Remove(const std::string& key);
  bool Empty() const { return entries_.empty(); }
  size_t Size() const { return entries_.size(); }
  const Entries& entries() const { return entries_; }

  void AppendJson(std::string& out) const;
  std::string ToJson() const;

 protected:
  Entries entries_;
};

}  // namespace utils
}  // namespace usage_analytics
