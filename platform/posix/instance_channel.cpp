#include "platform/instance_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/posix/runtime_folder.h"

namespace Platform {
namespace {

// The socket address for `name`, or false when the name is unusable or the path too long.
bool SocketAddress(std::wstring_view name, sockaddr_un* address) {
  const std::string file = WideToUtf8(name) + ".sock";
  if (name.empty() || file.find('/') != std::string::npos) return false;
  std::string folder;
  const int fd = Posix::OpenPrivateRuntimeFolder(&folder);
  if (fd < 0) return false;
  ::close(fd);
  const std::string path = folder + "/" + file;
  std::memset(address, 0, sizeof(*address));
  if (path.size() >= sizeof(address->sun_path)) return false;
  address->sun_family = AF_UNIX;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

InstanceMessageReceiver::InstanceMessageReceiver(std::wstring_view name, Handler handler)
    : handler_(std::move(handler)) {
  sockaddr_un address;
  if (!SocketAddress(name, &address)) return;
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC) != 0) return;
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    ::close(wake[0]);
    ::close(wake[1]);
    return;
  }
  // A socket left by an installer that died; the caller holds the single-instance lock, so no
  // live installer owns it.
  ::unlink(address.sun_path);
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    ::close(fd);
    ::close(wake[0]);
    ::close(wake[1]);
    return;
  }
  socket_ = fd;
  wakeRead_ = wake[0];
  wakeWrite_ = wake[1];
  thread_ = std::thread(&InstanceMessageReceiver::Receive, this);
}

InstanceMessageReceiver::~InstanceMessageReceiver() {
  if (!IsListening()) return;
  const char stop = 0;
  while (::write(wakeWrite_, &stop, 1) < 0 && errno == EINTR) {
  }
  thread_.join();
  sockaddr_un address;
  socklen_t length = sizeof(address);
  if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) ::unlink(address.sun_path);
  ::close(socket_);
  ::close(wakeRead_);
  ::close(wakeWrite_);
}

void InstanceMessageReceiver::Receive() {
  for (;;) {
    pollfd fds[2] = {{socket_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    uint32_t message = 0;
    // MSG_TRUNC gives the datagram's real length, so a longer one is not mistaken for a number.
    const ssize_t n = ::recv(socket_, &message, sizeof(message), MSG_DONTWAIT | MSG_TRUNC);
    // Anything but one whole message number is not ours to interpret.
    if (n == static_cast<ssize_t>(sizeof(message)) && handler_) handler_(message);
  }
}

bool SendInstanceMessage(std::wstring_view name, uint32_t message) {
  sockaddr_un address;
  if (!SocketAddress(name, &address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const ssize_t n = ::sendto(fd, &message, sizeof(message), MSG_NOSIGNAL,
                             reinterpret_cast<sockaddr*>(&address), sizeof(address));
  ::close(fd);
  return n == static_cast<ssize_t>(sizeof(message));
}

}  // namespace Platform
