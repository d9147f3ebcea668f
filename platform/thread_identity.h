#pragma once
// Ids of the calling process and thread, and the debugger name of the calling thread.

#include <cstdint>
#include <string_view>

namespace Platform {

uint32_t CurrentProcessId();
uint32_t CurrentThreadId();
// Names the calling thread for debuggers and process listings (cut to what the system keeps).
void SetCurrentThreadName(std::string_view name);

}  // namespace Platform
