#pragma once
// One "Range" request header resolved against a file length.

#include <cstdint>
#include <string_view>

namespace Peers {

struct ByteRangeAnswer {
  enum class Kind {
    Whole,          // no usable Range header: answer 200 with the whole body
    Partial,        // answer 206 with bytes first..last
    Unsatisfiable,  // answer 416
  };
  Kind kind = Kind::Whole;
  uint64_t first = 0;
  uint64_t last = 0;  // inclusive
};

// Understands one range of the forms "bytes=a-b", "bytes=a-" and "bytes=-n". A first byte at or
// beyond the end is unsatisfiable, and so is a malformed range (a last byte before the first, no
// digits), as nginx and the HTTP library answer them; a last byte beyond the end is cut to the
// end. Another unit and several ranges are ignored, as HTTP allows: the whole body is answered.
ByteRangeAnswer ResolveRange(std::string_view header, uint64_t length);

}  // namespace Peers
