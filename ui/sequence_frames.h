#pragma once
// The frame order shared by the animation controls: which frame each tick of timer 2100 shows,
// forward, looping and bouncing, and the file name of a frame from its printf-style pattern.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ui/framework/messages.h"

namespace SkinUI {

// The paint-manager timer id the animation controls use on themselves.
inline constexpr UINT TIMER_SEQUENCE = 2100;

struct FrameSequence {
  std::wstring pattern;  // "sequencebkimage"
  bool autoStart = false;
  bool loop = true;
  bool forward = true;
  bool bounce = false;
  uint32_t index = 0;  // the next frame
  int count = 0;
  int span = 30;  // ms

  struct Tick {
    std::optional<uint32_t> frame;  // the frame to show now
    bool stop = false;              // the sequence is over: the timer must end
  };
  // One timer tick. A count of 0 (or less) never ends: frames 0, 1, 2, ... A bouncing sequence
  // of fewer than two frames turns on frame 0.
  Tick Advance();
  // The layout attributes of a sequence; false for any other name.
  bool SetAttribute(std::wstring_view name, std::wstring_view value);
};

// The pattern with `frame` put in ("res\x\%.3d.png", 7 -> "res\x\007.png"). Nothing when the
// pattern holds another conversion than one integer ("%s", "%d%d", "%*d", "%n" would read
// arguments that are not there) or the name would not fit 260 characters.
std::optional<std::wstring> FormatFrameName(std::wstring_view pattern, uint32_t frame);

}  // namespace SkinUI
