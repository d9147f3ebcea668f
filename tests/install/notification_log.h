#pragma once
// Records the notifications a runner or the coordinator sends, from whatever thread they come,
// and lets a test wait for one of them.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "download/download_callback.h"
#include "platform/codepage.h"

struct Notification {
  int32_t code;
  double value;
  std::wstring text;
  bool operator==(const Notification&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Notification& n) {
  return out << "{" << n.code << ", " << n.value << ", \"" << Platform::WideToUtf8(n.text) << "\"}";
}

class NotificationLog {
 public:
  DownloadCallback Callback() {
    return [this](int32_t code, double value, const wchar_t* text) {
      std::lock_guard<std::mutex> lock(mutex_);
      entries_.push_back({code, value, text ? text : L""});
      changed_.notify_all();
    };
  }
  std::vector<Notification> Entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
  }
  std::vector<int32_t> Codes() const {
    std::vector<int32_t> codes;
    for (const Notification& n : Entries()) codes.push_back(n.code);
    return codes;
  }
  // Waits until `count` notifications with one of `codes` have been recorded; false after `limit`.
  bool WaitFor(std::initializer_list<int32_t> codes, size_t count = 1,
               std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, limit, [&] {
      size_t seen = 0;
      for (const Notification& n : entries_)
        for (int32_t c : codes)
          if (n.code == c) ++seen;
      return seen >= count;
    });
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
  }

 private:
  mutable std::mutex mutex_;  // guards entries_
  std::condition_variable changed_;
  std::vector<Notification> entries_;
};
