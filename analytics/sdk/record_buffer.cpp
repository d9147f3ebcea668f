#include "analytics/sdk/record_buffer.h"

#include <algorithm>
#include <exception>
#include <iostream>

#include "analytics/sdk/collector_sender.h"
#include "analytics/sdk/staging_file.h"
#include "analytics/sdk/value_node.h"

namespace usage_analytics {

RecordBuffer::RecordBuffer(const std::string& serverUrl, std::string stagingPath)
    : RecordBuffer(std::make_unique<CollectorSender>(serverUrl), std::move(stagingPath)) {}

RecordBuffer::RecordBuffer(std::unique_ptr<BatchSender> sender, std::string stagingPath)
    : stagingPath_(std::move(stagingPath)), sender_(std::move(sender)) {}

RecordBuffer::~RecordBuffer() = default;

void RecordBuffer::Add(const utils::ObjectNode& record) { QueueLine(record.ToJson()); }

void RecordBuffer::QueueLine(std::string line) {
  std::lock_guard lock(recordsLock_);
  if (closed_) return;
  records_.push_back(std::move(line));
  if (records_.size() > kCapacity) records_.pop_front();
}

void RecordBuffer::LoadStagingIfNeeded() {
  std::lock_guard lock(recordsLock_);
  LoadStagingLocked();
}

void RecordBuffer::LoadStagingLocked() {
  if (!needLoad_) return;
  const size_t room = kCapacity > records_.size() ? kCapacity - records_.size() : 0;
  const std::vector<std::string> staged = ReadStagedRecords(stagingPath_, room);
  records_.insert(records_.begin(), staged.begin(), staged.end());
  ClearStagingFile(stagingPath_);
  needLoad_ = false;
}

std::string RecordBuffer::JoinBatch(const std::vector<std::string>& batch) {
  std::string text = "[";
  for (size_t i = 0; i < batch.size(); ++i) {
    if (i) text += ',';
    text += batch[i];
  }
  text += ']';
  return text;
}

void RecordBuffer::PutBack(std::vector<std::string>& batch) {
  std::lock_guard lock(recordsLock_);
  if (closed_) return;
  const size_t room = kCapacity > records_.size() ? kCapacity - records_.size() : 0;
  // When room is short the oldest records of the batch are the ones given up.
  const size_t keep = std::min(batch.size(), room);
  records_.insert(records_.begin(), std::make_move_iterator(batch.end() - static_cast<ptrdiff_t>(keep)),
                  std::make_move_iterator(batch.end()));
}

bool RecordBuffer::Flush() {
  try {
    LoadStagingIfNeeded();
    std::lock_guard flush(flushLock_);
    std::vector<std::string> batch;
    {
      std::lock_guard lock(recordsLock_);
      const size_t n = std::min(records_.size(), kBatchSize);
      if (n == 0) return true;
      batch.assign(std::make_move_iterator(records_.begin()),
                   std::make_move_iterator(records_.begin() + static_cast<ptrdiff_t>(n)));
      records_.erase(records_.begin(), records_.begin() + static_cast<ptrdiff_t>(n));
    }
    bool sent = false;
    try {
      sent = sender_->SendBatch(JoinBatch(batch));
    } catch (const std::exception& e) {
      std::cerr << "Exception when flush failed: (" << e.what() << ") " << std::endl;
    }
    if (!sent) PutBack(batch);
    return sent;
  } catch (const std::exception& e) {
    std::cerr << "Exception when flush failed: (" << e.what() << ") " << std::endl;
    return false;
  }
}

bool RecordBuffer::FlushAll() {
  LoadStagingIfNeeded();
  while (Size() > 0) {
    if (!Flush()) return false;
  }
  return true;
}

void RecordBuffer::Close() {
  std::lock_guard flush(flushLock_);
  std::lock_guard lock(recordsLock_);
  if (closed_) return;
  LoadStagingLocked();
  WriteStagedRecords(stagingPath_, records_);
  records_.clear();
  closed_ = true;
  sender_.reset();
}

size_t RecordBuffer::Size() const {
  std::lock_guard lock(recordsLock_);
  return records_.size();
}

std::vector<std::string> RecordBuffer::Records() const {
  std::lock_guard lock(recordsLock_);
  return {records_.begin(), records_.end()};
}

}  // namespace usage_analytics
