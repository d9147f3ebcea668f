#pragma once
// The process-wide send state shared by the transport and the tracker's send step.
//
// `lastSendSucceeded` is guarded by `sendStateMutex` (inside send_state.cpp); `SendMutex()`
// serialises whole send steps of the reporting threads and the short-lived send threads.

#include <mutex>

namespace usage_analytics {

// False at process start; afterwards whether the collector accepted the last encoded batch.
bool LastSendSucceeded();
void SetLastSendSucceeded(bool succeeded);

std::mutex& SendMutex();

}  // namespace usage_analytics
