#pragma once
// Numbered messages from other processes of the same user to the running installer (window
// message 1224 on Windows, sent to the installer's window from outside).
//
// POSIX: one datagram socket per name in the user's private runtime folder; each datagram holds
// one 32-bit message number.

#include <cstdint>
#include <functional>
#include <string_view>
#include <thread>

namespace Platform {

class InstanceMessageReceiver {
 public:
  using Handler = std::function<void(uint32_t message)>;

  // Starts listening for `name` on a thread this object owns; `handler` runs on that thread.
  // Only the process holding the single-instance lock of the same name should listen.
  InstanceMessageReceiver(std::wstring_view name, Handler handler);
  // Stops listening and joins the thread.
  ~InstanceMessageReceiver();
  InstanceMessageReceiver(const InstanceMessageReceiver&) = delete;
  InstanceMessageReceiver& operator=(const InstanceMessageReceiver&) = delete;

  bool IsListening() const { return socket_ >= 0; }

 private:
  void Receive();

  Handler handler_;
  int socket_ = -1;
  int wakeRead_ = -1;   // written by the destructor to end Receive
  int wakeWrite_ = -1;
  std::thread thread_;  // owned; joined by the destructor
};

// Sends `message` to the installer listening under `name`. False when none listens.
bool SendInstanceMessage(std::wstring_view name, uint32_t message);

}  // namespace Platform
