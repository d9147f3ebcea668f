#pragma once
// The bounded queue of finished records between the SDK and the collector: at most 1024 kept in
// memory (the oldest give way), sent oldest first in batches of up to 30, a failed batch put back
// in front as far as there is room, and a staging file that carries unsent records over to the
// next run.
//
// Locks: `recordsLock_` guards `records_`, `needLoad_` and `closed_`; `flushLock_` makes whole
// flushes mutually exclusive and is always taken before `recordsLock_`. No lock is held during the
// HTTP request except `flushLock_`, so records can be added from any thread while a batch is out.

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace usage_analytics {

namespace utils {
class ObjectNode;
}

// Where batches go. The collector sender posts them; tests may wrap it.
class BatchSender {
 public:
  virtual ~BatchSender() = default;
  // True when the collector accepted the batch (a JSON array of records).
  virtual bool SendBatch(const std::string& batch) = 0;
};

class RecordBuffer {
 public:
  static constexpr size_t kCapacity = 1024;
  static constexpr size_t kBatchSize = 30;

  // Posts to the collector at `serverUrl`; `stagingPath` names the staging file (empty: none).
  RecordBuffer(const std::string& serverUrl, std::string stagingPath);
  RecordBuffer(std::unique_ptr<BatchSender> sender, std::string stagingPath);
  ~RecordBuffer();
  RecordBuffer(const RecordBuffer&) = delete;
  RecordBuffer& operator=(const RecordBuffer&) = delete;

  // Serialises the record to one compact line and queues it.
  void Add(const utils::ObjectNode& record);
  // Sends at most one batch; true when nothing was held or the batch was accepted.
  bool Flush();
  // Sends batch after batch until the buffer is empty (true) or a batch fails (false).
  bool FlushAll();
  // Writes every record still held to the staging file and stops accepting records.
  void Close();

  size_t Size() const;
  std::vector<std::string> Records() const;

 private:
  void QueueLine(std::string line);
  void LoadStagingIfNeeded();
  void LoadStagingLocked();
  void PutBack(std::vector<std::string>& batch);
  static std::string JoinBatch(const std::vector<std::string>& batch);

  mutable std::mutex recordsLock_;
  std::mutex flushLock_;
  std::deque<std::string> records_;
  std::string stagingPath_;
  bool needLoad_ = true;
  bool closed_ = false;
  std::unique_ptr<BatchSender> sender_;
};

}  // namespace usage_analytics
