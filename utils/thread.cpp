#include "utils/thread.h"

#include "app/log.h"
#include "platform/codepage.h"
#include "platform/thread_identity.h"

namespace Utils {

Thread::Thread(void* argument, std::wstring name, ThreadFunction function)
    : function_(std::move(function)), argument_(argument), name_(std::move(name)) {
  try {
    handle_ = std::thread(&Thread::CallBack, this);
  } catch (const std::system_error&) {
    return;  // creation failed: no handle, the owner will not resume it
  }
  // Wait until the new thread has told its id and named itself, as a suspended system thread
  // would already have both.
  std::unique_lock<std::mutex> lock(idMutex_);
  idReady_.wait(lock, [this] { return idKnown_; });
}

Thread::~Thread() {
  Release(false);
  Join();
  name_.clear();
  function_ = nullptr;
}

void Thread::Resume() { Release(true); }

void Thread::Release(bool run) {
  std::lock_guard<std::mutex> lock(gateMutex_);
  if (gateOpen_) return;
  gateOpen_ = true;
  run_ = run;
  gate_.notify_one();
}

void Thread::Join() {
  if (handle_.joinable()) {
    // An owner that joins without resuming would otherwise wait forever.
    Release(false);
    handle_.join();
  }
  id_ = kNoThread;
}

void Thread::CallBack() {
  const uint32_t id = Platform::CurrentThreadId();
  Platform::SetCurrentThreadName(name_.empty() ? "t" + std::to_string(id) : Platform::WideToAnsi(name_));
  {
    std::lock_guard<std::mutex> lock(idMutex_);
    id_ = id;
    idKnown_ = true;
    idReady_.notify_one();
  }
  bool run;
  {
    std::unique_lock<std::mutex> lock(gateMutex_);
    gate_.wait(lock, [this] { return gateOpen_; });
    run = run_;
  }
  if (!run) return;
  WRITE_LOG(L"THREAD BEGIN\r\n");
  if (function_) function_(argument_);
  WRITE_LOG(L"THREAD END\r\n");
}

}  // namespace Utils
