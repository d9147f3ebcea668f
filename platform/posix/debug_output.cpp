#include "platform/debug_output.h"

#include <unistd.h>

#include <cerrno>

#include "platform/codepage.h"

namespace Platform {

void OutputDebugText(std::wstring_view text) {
  const std::string bytes = WideToUtf8(text);
  // One write keeps the line whole (stderr writes below PIPE_BUF are atomic, and larger ones
  // are not interleaved by our own threads because each line is a single call).
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(STDERR_FILENO, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace Platform
