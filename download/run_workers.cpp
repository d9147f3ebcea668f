#include "download/run_workers.h"

#include "platform/thread_identity.h"

namespace {
constexpr wchar_t kWorkerName[] = L"ABDEF";
}

RunWorkers::RunWorkers(void* argument, Utils::ThreadFunction function)
    : argument_(argument), function_(std::move(function)) {}

RunWorkers::~RunWorkers() { Stop(); }

bool RunWorkers::StartRun() {
  const uint32_t self = Platform::CurrentThreadId();
  std::vector<std::unique_ptr<Utils::Thread>> finished;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) return false;
    if (current_) retired_.push_back(std::move(current_));
    // Every earlier worker but the calling one has ended its run or is about to: join them now.
    for (auto it = retired_.begin(); it != retired_.end();) {
      if ((*it)->Id() == self) {
        ++it;
      } else {
        finished.push_back(std::move(*it));
        it = retired_.erase(it);
      }
    }
  }
  finished.clear();  // destroying a Utils::Thread joins it; done without the lock held

  std::lock_guard<std::mutex> lock(mutex_);
  if (stopped_) return false;
  current_ = std::make_unique<Utils::Thread>(argument_, kWorkerName, function_);
  if (!current_->IsValid()) {
    current_.reset();
    return false;
  }
  current_->Resume();
  return true;
}

void RunWorkers::Stop() {
  std::vector<std::unique_ptr<Utils::Thread>> all;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    all = std::move(retired_);
    retired_.clear();
    if (current_) all.push_back(std::move(current_));
  }
  all.clear();
}
