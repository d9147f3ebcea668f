#pragma once
// Assembles the child's standard output into complete lines.
//
// Reads cut the stream anywhere, inside a line or inside a multi-byte character, so lines are put
// together as bytes first and decoded only once complete; the caller decodes each line with the
// code page in force when the line completes. A line longer than kMaxLineBytes keeps its first
// kMaxLineBytes bytes (every value is cut far shorter anyway), so a child that never ends a line
// cannot make the buffer grow without bound.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class ProtocolLineAssembler {
 public:
  static constexpr size_t kMaxLineBytes = 16 * 1024;
  // One complete line, without its line feed (a carriage return before it stays).
  using LineSink = std::function<void(std::string_view line)>;

  // Adds the bytes of one read; every line they complete goes to `sink`, in order.
  void Feed(std::string_view bytes, const LineSink& sink);
  // The output has ended: a last line without a line feed goes to `sink` too.
  void Finish(const LineSink& sink);

 private:
  std::string pending_;
  bool truncated_ = false;  // the pending line reached kMaxLineBytes; the rest of it is dropped
};
