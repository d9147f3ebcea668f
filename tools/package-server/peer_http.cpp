#include "tools/package-server/peer_http.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace Peers {
namespace {

// Enough workers for the segmented downloader's parallel ranges, the tests' concurrent probes and
// a few connections held open by stall faults, without starving the control endpoint.
constexpr size_t kWorkerThreads = 48;

std::atomic<bool> g_stopping{false};


int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int PortOf(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  return -1;
}

// A connected socket (the listening one has no peer) with these ports; remotePort -1 is any.
bool SocketHasEndpoints(int fd, int localPort, int remotePort) {
  sockaddr_storage local{}, remote{};
  socklen_t localSize = sizeof(local), remoteSize = sizeof(remote);
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0) return false;
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&remote), &remoteSize) != 0) return false;
  return PortOf(local) == localPort && (remotePort < 0 || PortOf(remote) == remotePort);
}

// Shuts down (without closing: the library still owns the descriptors) every connection of this
// process with these ports; returns how many there were.
int ShutdownConnections(int localPort, int remotePort) {
  DIR* fds = opendir("/proc/self/fd");
  if (!fds) return 0;
  int count = 0;
  while (const dirent* entry = readdir(fds)) {
    const std::optional<uint64_t> fd = ParseUnsigned(entry->d_name);
    if (!fd || static_cast<int>(*fd) == dirfd(fds)) continue;
    if (SocketHasEndpoints(static_cast<int>(*fd), localPort, remotePort)) {
      shutdown(static_cast<int>(*fd), SHUT_RDWR);
      ++count;
    }
  }
  closedir(fds);
  return count;
}

}  // namespace

bool ParseListenOption(int argc, char** argv, int* i, ListenOptions* options, std::string* error) {
  const std::string_view name = argv[*i];
  if (name != "--host" && name != "--port") return false;
  if (*i + 1 >= argc) {
    *error = std::string(name) + " needs a value";
    return true;
  }
  const std::string_view value = argv[++*i];
  if (name == "--host") {
    options->host = std::string(value);
    return true;
  }
  const std::optional<uint64_t> port = ParseUnsigned(value);
  if (!port || *port > 65535) {
    *error = "not a port number: " + std::string(value);
    return true;
  }
  options->port = static_cast<int>(*port);
  return true;
}

int ServeUntilSignalled(httplib::Server& server, const ListenOptions& options) {
  std::signal(SIGPIPE, SIG_IGN);
  // Signals are taken by one waiting thread; every other thread (the library's workers are
  // created later and inherit this mask) never sees them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
  server.set_keep_alive_max_count(1000);

  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port(options.host);
  } else if (!server.bind_to_port(options.host, port)) {
    port = -1;
  }
  if (port <= 0) {
    std::fprintf(stderr, "cannot listen on %s:%d\n", options.host.c_str(), options.port);
    return 1;
  }
  std::printf("listening on %s:%d\n", options.host.c_str(), port);
  std::fflush(stdout);

  std::atomic<bool> listenReturned{false};
  // The waiter is owned and joined by this function; it only ever calls server.stop().
  std::thread waiter([&] {
    int signal = 0;
    sigwait(&signals, &signal);
    if (signal == SIGUSR1) return;  // the listen loop ended on its own
    g_stopping = true;
    // stop() has no effect before the listen loop has started, so repeat it until the loop ends.
    // Idle keep-alive connections would hold the library's workers for their whole timeout, so
    // they are shut down too.
    while (!listenReturned) {
      server.stop();
      ShutdownConnections(port, -1);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  const bool served = server.listen_after_bind();
  listenReturned = true;
  if (!g_stopping) pthread_kill(waiter.native_handle(), SIGUSR1);
  waiter.join();
  if (!served && !g_stopping) {
    std::fprintf(stderr, "serving on %s:%d failed\n", options.host.c_str(), port);
    return 1;
  }
  return 0;
}

bool Stopping() { return g_stopping; }

bool SleepUnlessStopping(std::chrono::milliseconds duration) {
  const auto deadline = std::chrono::steady_clock::now() + duration;
  while (!g_stopping) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return true;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(deadline - now,
                                                                              std::chrono::milliseconds(20)));
  }
  return false;
}

std::optional<std::string> PercentDecode(std::string_view text, bool plusIsSpace) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    } else if (c == '+' && plusIsSpace) {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string PercentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        byte == '-' || byte == '.' || byte == '_' || byte == '~') {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 15]);
    }
  }
  return out;
}

std::optional<std::vector<std::pair<std::string, std::string>>> ParseFormFields(std::string_view text,
                                                                                 bool plusIsSpace) {
  std::vector<std::pair<std::string, std::string>> fields;
  while (!text.empty()) {
    const size_t end = std::min(text.find('&'), text.size());
    const std::string_view field = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (field.empty()) continue;
    const size_t equals = field.find('=');
    auto name = PercentDecode(field.substr(0, equals), plusIsSpace);
    auto value = PercentDecode(equals == std::string_view::npos ? std::string_view() : field.substr(equals + 1),
                               plusIsSpace);
    if (!name || !value) return std::nullopt;
    fields.emplace_back(std::move(*name), std::move(*value));
  }
  return fields;
}

std::string TabField(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

std::optional<uint64_t> ParseUnsigned(std::string_view text) {
  uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

bool ShutdownConnectionOf(const httplib::Request& request) {
  return ShutdownConnection(request.local_port, request.remote_port);
}

bool ShutdownConnection(int localPort, int remotePort) { return ShutdownConnections(localPort, remotePort) > 0; }

}  // namespace Peers
