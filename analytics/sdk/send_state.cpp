#include "analytics/sdk/send_state.h"

namespace usage_analytics {
namespace {

std::mutex sendStateMutex;
bool lastSendSucceeded = false;

}  // namespace

bool LastSendSucceeded() {
  std::lock_guard lock(sendStateMutex);
  return lastSendSucceeded;
}

void SetLastSendSucceeded(bool succeeded) {
  std::lock_guard lock(sendStateMutex);
  lastSendSucceeded = succeeded;
}

std::mutex& SendMutex() {
  static std::mutex sendMutex;
  return sendMutex;
}

}  // namespace usage_analytics
