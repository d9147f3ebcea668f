#include "ui/sequence_frames.h"

#include <cwchar>

#include "ui/framework/attribute_values.h"

namespace SkinUI {
namespace {

constexpr size_t kFrameNameChars = 260;

// True when `pattern` has at most one conversion and it is an integer one.
bool IsSingleIntegerPattern(std::wstring_view pattern) {
  int conversions = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != L'%') continue;
    if (++i >= pattern.size()) return false;
    if (pattern[i] == L'%') continue;
    while (i < pattern.size() && std::wcschr(L"-+ #0", pattern[i])) ++i;
    while (i < pattern.size() && pattern[i] >= L'0' && pattern[i] <= L'9') ++i;
    if (i < pattern.size() && pattern[i] == L'.') {
      ++i;
      while (i < pattern.size() && pattern[i] >= L'0' && pattern[i] <= L'9') ++i;
    }
    if (i >= pattern.size() || !std::wcschr(L"diouxX", pattern[i])) return false;
    ++conversions;
  }
  return conversions <= 1;
}

}  // namespace

FrameSequence::Tick FrameSequence::Advance() {
  Tick tick;
  bool show = false;
  if (forward) {
    // Unsigned, so a count of 0 never reaches the end.
    if (index > static_cast<uint32_t>(count - 1)) {
      if (bounce) {
        forward = false;
        index = count >= 2 ? static_cast<uint32_t>(count - 2) : 0;
      } else {
        index = 0;
        if (!loop) {
          tick.stop = true;
          return tick;
        }
      }
    }
    show = forward;
  }
  if (!show && index == 0) {
    if (bounce) forward = true;
    index = 0;
    if (!loop) {
      tick.stop = true;
      return tick;
    }
  }
  tick.frame = index;
  index = forward ? index + 1 : index - 1;
  return tick;
}

bool FrameSequence::SetAttribute(std::wstring_view name, std::wstring_view value) {
  // A flag is off only for the exact text "false".
  const bool flag = value != L"false";
  if (name == L"sequencebkimage") pattern = value;
  else if (name == L"sequencecount") count = ParseInt(value);
  else if (name == L"sequencespan") span = ParseInt(value);
  else if (EqualsIgnoreCase(name, L"sequenceloop")) loop = flag;
  else if (EqualsIgnoreCase(name, L"autostart")) autoStart = flag;
  else if (EqualsIgnoreCase(name, L"sequenceround")) bounce = flag;
  else return false;
  return true;
}

std::optional<std::wstring> FormatFrameName(std::wstring_view pattern, uint32_t frame) {
  if (!IsSingleIntegerPattern(pattern)) return std::nullopt;
  const std::wstring format(pattern);
  wchar_t buffer[kFrameNameChars];
  const int written = std::swprintf(buffer, kFrameNameChars, format.c_str(), static_cast<int>(frame));
  if (written < 0) return std::nullopt;
  return std::wstring(buffer, static_cast<size_t>(written));
}

}  // namespace SkinUI
