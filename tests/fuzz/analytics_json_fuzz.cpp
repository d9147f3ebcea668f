// The analytics texts check and the JSON writer, on arbitrary property sets.
//
// Input: a sequence of properties, each one type byte, then what that type needs: a key and a
// text, a list of texts, 8 bytes of a number, 4+8 bytes of an instant, or a nested object up to an
// end byte (nesting at most 4 deep). Texts are a length byte and that many bytes.
//
// Properties: the UTF-8 check accepts exactly well-formed UTF-8 of tab, line feed, carriage
// return, printable ASCII and characters from U+0080 on; whatever the SDK accepts (keys that pass
// the name rule, texts that pass the check) is written as strict JSON without raw control
// characters, and jsoncpp reads back the same keys, texts, integers and flags, numbers to six
// significant digits, and null for a number that is not finite.

#include <json/json.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analytics/sdk/validation.h"
#include "analytics/sdk/value_node.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using usage_analytics::ValueNode;
using usage_analytics::utils::ObjectNode;

constexpr int kDeepest = 4;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  uint8_t Byte() { return Empty() ? 0 : data_[at_++]; }
  std::string Text() {
    const size_t n = std::min<size_t>(Byte(), size_ - at_);
    std::string text(reinterpret_cast<const char*>(data_) + at_, n);
    at_ += n;
    return text;
  }
  template <class T>
  T Raw() {
    T value{};
    const size_t n = std::min(sizeof(T), size_ - at_);
    std::memcpy(&value, data_ + at_, n);
    at_ += n;
    return value;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// An independent reading of the rule: decode code points, then judge each.
bool ReferenceAcceptable(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length;
    char32_t cp;
    if (lead < 0x80) length = 1, cp = lead;
    else if ((lead & 0xE0) == 0xC0) length = 2, cp = lead & 0x1F;
    else if ((lead & 0xF0) == 0xE0) length = 3, cp = lead & 0x0F;
    else if ((lead & 0xF8) == 0xF0) length = 4, cp = lead & 0x07;
    else return false;
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const unsigned char c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp < 0x80 && !(cp == '\t' || cp == '\n' || cp == '\r' || (cp >= 0x20 && cp <= 0x7E))) return false;
    i += length;
  }
  return true;
}

bool Acceptable(const std::string& text) {
  const bool accepted = usage_analytics::IsAcceptableUtf8(text);
  FUZZ_CHECK(accepted == ReferenceAcceptable(text));
  return accepted;
}

ObjectNode ReadObject(Input& in, int depth) {
  ObjectNode node;
  while (!in.Empty()) {
    const uint8_t type = in.Byte() % 8;
    if (type == 7) break;  // end of a nested object
    const std::string key = in.Text();
    std::optional<ValueNode> value;
    switch (type) {
      case 0: {
        std::string text = in.Text();
        if (Acceptable(text)) value = ValueNode::String(std::move(text));
        break;
      }
      case 1: {
        std::vector<std::string> texts(in.Byte() % 5);
        bool all = true;
        for (std::string& text : texts) all = Acceptable(text = in.Text()) && all;
        if (all) value = ValueNode::List(std::move(texts));
        break;
      }
      case 2: value = ValueNode::Number(in.Raw<double>()); break;
      case 3: value = ValueNode::Int(in.Raw<int64_t>()); break;
      case 4: value = ValueNode::Bool(in.Byte() & 1); break;
      case 5: {
        const int32_t milliseconds = static_cast<int32_t>(in.Raw<uint16_t>() % 1000);
        value = ValueNode::DateTime(in.Raw<int64_t>(), milliseconds);
        break;
      }
      case 6:
        if (depth < kDeepest) value = ValueNode::Object(ReadObject(in, depth + 1));
        break;
    }
    if (value && usage_analytics::CheckName(key, "Property Key")) node.SetValue(key, std::move(*value));
  }
  return node;
}

// Raw control characters are not allowed inside JSON texts, whatever a lenient reader accepts.
bool NoRawControlInTexts(std::string_view json) {
  bool inText = false, escaped = false;
  for (const char c : json) {
    if (inText && static_cast<unsigned char>(c) < 0x20) return false;
    if (escaped) escaped = false;
    else if (inText && c == '\\') escaped = true;
    else if (c == '"') inText = !inText;
  }
  return !inText;
}

void CheckSame(const ObjectNode& node, const Json::Value& parsed) {
  FUZZ_CHECK(parsed.isObject());
  FUZZ_CHECK(parsed.size() == node.Size());
  for (const auto& [key, value] : node.entries()) {
    FUZZ_CHECK(parsed.isMember(key));
    const Json::Value& back = parsed[key];
    switch (value.type()) {
      case ValueNode::STRING: FUZZ_CHECK(back.isString() && back.asString() == value.text()); break;
      case ValueNode::LIST:
        FUZZ_CHECK(back.isArray() && back.size() == value.list().size());
        for (Json::ArrayIndex i = 0; i < back.size(); ++i)
          FUZZ_CHECK(back[i].isString() && back[i].asString() == value.list()[i]);
        break;
      case ValueNode::INT: FUZZ_CHECK(back.isInt64() && back.asInt64() == value.integer()); break;
      case ValueNode::BOOL: FUZZ_CHECK(back.isBool() && back.asBool() == value.boolean()); break;
      case ValueNode::DATETIME: FUZZ_CHECK(back.isString()); break;
      case ValueNode::NUMBER:
        if (!std::isfinite(value.number())) {
          FUZZ_CHECK(back.isNull());
        } else {
          FUZZ_CHECK(back.isNumeric());
          const double v = value.number();
          FUZZ_CHECK(std::fabs(back.asDouble() - v) <= 5.01e-6 * std::fabs(v) + 1e-300);
        }
        break;
      case ValueNode::OBJECT: CheckSame(value.object(), back); break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  const ObjectNode node = ReadObject(in, 0);
  const std::string json = node.ToJson();
  FUZZ_CHECK(NoRawControlInTexts(json));

  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value parsed;
  std::string errors;
  const bool ok = reader->parse(json.data(), json.data() + json.size(), &parsed, &errors);
  if (!ok) std::fprintf(stderr, "not JSON (%s): %s\n", errors.c_str(), json.c_str());
  FUZZ_CHECK(ok);
  CheckSame(node, parsed);
  return 0;
}
