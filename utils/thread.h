#pragma once
// A worker thread created suspended, named for debuggers, started by its owner and joined by it.
//
// Ownership: a Thread is touched only by the object that created it (construct, Resume, Join,
// destroy) and by its own body. Destroying it waits without time limit for the body to return;
// a thread that was never resumed is released without running its function.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace Utils {

using ThreadFunction = std::function<uint32_t(void*)>;

class Thread {
 public:
  static constexpr uint32_t kNoThread = 0xFFFFFFFFu;

  Thread(void* argument, std::wstring name, ThreadFunction function);
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // True when the system thread exists (creation can fail; the owner then never resumes it).
  bool IsValid() const { return handle_.joinable(); }
  // Lets a suspended thread run its function. Only the first call has an effect.
  void Resume();
  // Waits without time limit for the body to return; afterwards the id is kNoThread.
  void Join();
  uint32_t Id() const { return id_; }
  const std::wstring& Name() const { return name_; }

 private:
  void CallBack();
  void Release(bool run);

  uint32_t id_ = kNoThread;
  std::thread handle_;
  ThreadFunction function_;
  void* argument_;
  std::wstring name_;

  // The start gate of the suspended thread; `gateMutex_` guards `gateOpen_` and `run_`, which the
  // owner sets once and the body reads once.
  std::mutex gateMutex_;
  std::condition_variable gate_;
  bool gateOpen_ = false;
  bool run_ = false;
  // Set by the body before it waits at the gate, read by the constructor.
  std::mutex idMutex_;
  std::condition_variable idReady_;
  bool idKnown_ = false;
};

}  // namespace Utils
