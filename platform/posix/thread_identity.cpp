#include "platform/thread_identity.h"

#include <pthread.h>
#include <unistd.h>

#include <string>

namespace Platform {

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

uint32_t CurrentThreadId() { return static_cast<uint32_t>(::gettid()); }

void SetCurrentThreadName(std::string_view name) {
  // The kernel keeps 15 bytes and the terminator; cut at a UTF-8 character boundary.
  size_t length = name.size() < 15 ? name.size() : 15;
  while (length > 0 && length < name.size() && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
    --length;
  const std::string cut(name.substr(0, length));
  ::pthread_setname_np(::pthread_self(), cut.c_str());
}

}  // namespace Platform
