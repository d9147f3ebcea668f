#pragma once
// The worker threads of a downloader's runs, one `Utils::Thread` named "ABDEF" per run.
//
// A retry is asked for inside a notification, so StartRun may be called on the current worker
// itself. That worker cannot wait for its own end: it is set aside instead, and joined by the next
// StartRun made on another thread or by Stop. Every worker created here is joined here.
//
// Ownership: the downloader owns this object; `mutex_` guards `stopped_`, `current_` and `retired_`,
// which the owner's thread and the downloader's own threads both reach through StartRun and Stop.

#include <memory>
#include <mutex>
#include <vector>

#include "utils/thread.h"

class RunWorkers {
 public:
  RunWorkers(void* argument, Utils::ThreadFunction function);
  ~RunWorkers();
  RunWorkers(const RunWorkers&) = delete;
  RunWorkers& operator=(const RunWorkers&) = delete;

  // Waits for the previous run's worker to end (unless it is the calling thread), then starts a new
  // worker. False when the workers were stopped or no thread could be made.
  bool StartRun();
  // Refuses every later StartRun and joins all workers. Must not be called on a worker.
  void Stop();

 private:
  void* argument_;
  Utils::ThreadFunction function_;

  std::mutex mutex_;
  bool stopped_ = false;
  std::unique_ptr<Utils::Thread> current_;
  std::vector<std::unique_ptr<Utils::Thread>> retired_;
};
