#pragma once
// Waiting on one descriptor while keeping a second pipe drained (POSIX backend only).

#include "platform/pipe.h"

namespace Platform {

enum class PollResult { Ready, TimedOut, Failed };

// Waits until `fd` is readable or hung up, or `timeoutMs` has passed (-1: no limit). Meanwhile
// whatever arrives at `drain` (when given) is read and handed to its sink. A negative `fd` waits on
// the drain and the timeout only.
PollResult PollWhileDraining(int fd, const PipeDrain* drain, int timeoutMs = -1);

}  // namespace Platform
