#include "analytics/sdk/validation.h"

#include <iostream>

#include "analytics/sdk/properties_node.h"

namespace usage_analytics {
namespace {

bool InRange(unsigned char c, unsigned char low, unsigned char high) { return c >= low && c <= high; }

bool IsContinuation(unsigned char c) { return InRange(c, 0x80, 0xBF); }

// The length of the well-formed sequence starting at text[i], or 0 when there is none.
size_t SequenceLength(std::string_view text, size_t i) {
  const auto at = [&](size_t k) -> unsigned char { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0; };
  const unsigned char lead = at(0);
  if (lead == '\t' || lead == '\n' || lead == '\r' || InRange(lead, 0x20, 0x7E)) return 1;
  if (InRange(lead, 0xC2, 0xDF)) return IsContinuation(at(1)) ? 2 : 0;
  if (lead == 0xE0) return InRange(at(1), 0xA0, 0xBF) && IsContinuation(at(2)) ? 3 : 0;
  if (InRange(lead, 0xE1, 0xEC) || lead == 0xEE || lead == 0xEF)
    return IsContinuation(at(1)) && IsContinuation(at(2)) ? 3 : 0;
  if (lead == 0xED) return InRange(at(1), 0x80, 0x9F) && IsContinuation(at(2)) ? 3 : 0;
  if (lead == 0xF0) return InRange(at(1), 0x90, 0xBF) && IsContinuation(at(2)) && IsContinuation(at(3)) ? 4 : 0;
  if (InRange(lead, 0xF1, 0xF3))
    return IsContinuation(at(1)) && IsContinuation(at(2)) && IsContinuation(at(3)) ? 4 : 0;
  if (lead == 0xF4) return InRange(at(1), 0x80, 0x8F) && IsContinuation(at(2)) && IsContinuation(at(3)) ? 4 : 0;
  return 0;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsAcceptableUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = SequenceLength(text, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool CheckIdentifier(std::string_view value, std::string_view what) {
  if (value.empty()) {
    std::cerr << "The " << what << " is empty." << std::endl;
    return false;
  }
  if (value.size() > kMaxIdentifierBytes) {
    std::cerr << "The " << what << " is too long, max length is 255." << std::endl;
    return false;
  }
  return true;
}

bool CheckName(std::string_view value, std::string_view what) {
  if (value.empty() || value.size() > kMaxNameBytes) {
    std::cerr << "The " << what << " is empty or too long, max length is 100";
    return false;
  }
  const auto headOk = [](char c) { return IsAsciiLetter(c) || c == '$' || c == '_'; };
  bool ok = headOk(value[0]);
  for (size_t i = 1; ok && i < value.size(); ++i) ok = headOk(value[i]) || IsAsciiDigit(value[i]);
  if (!ok) {
    std::cerr << "The " << what << " need to be a valid variable name.";
    return false;
  }
  return true;
}

bool CheckProperties(const PropertiesNode& properties) {
  for (const auto& [key, value] : properties.entries()) {
    if (!CheckName(key, "Property Key")) return false;
    if (key == "$time" && value.type() != ValueNode::DATETIME) {
      std::cerr << "The property '$time' should be DateTime type.";
      return false;
    }
    if (key == "$project" && value.type() != ValueNode::STRING) {
      std::cerr << "The property '$project' should be String type.";
      return false;
    }
  }
  return true;
}

}  // namespace usage_analytics
