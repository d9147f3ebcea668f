#pragma once
// What both loopback peers (the package server and the collector) share: their command-line
// listening options, the serve-until-SIGTERM loop, a stop flag that long-running handlers poll,
// and a strict decoder for query and form text.

#include <httplib.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Peers {

struct ListenOptions {
  std::string host = "127.0.0.1";
  int port = 0;  // 0 picks a free port
};

// Takes "--host <a>" or "--port <n>" at argv[*i] (advancing *i past the value). Returns false
// when argv[*i] is neither; sets *error when the value is missing or not a port number.
bool ParseListenOption(int argc, char** argv, int* i, ListenOptions* options, std::string* error);

// Applies the settings both peers want (thread pool, keep-alive), binds, prints exactly one line
// "listening on <host>:<port>" to standard output (flushed), and serves until SIGTERM or SIGINT.
// Returns the process exit status: 0 after a clean stop, 1 when the address cannot be bound.
int ServeUntilSignalled(httplib::Server& server, const ListenOptions& options);

// True once a stop was requested; handlers that wait (stalls, pacing, delays) poll it.
bool Stopping();
// Sleeps for `duration` or until a stop is requested; returns false in the latter case.
bool SleepUnlessStopping(std::chrono::milliseconds duration);

// Decodes "%XX" escapes; with plusIsSpace, "+" becomes a space. Returns nothing on a malformed
// escape, so bad input is refused instead of being passed on half-decoded.
std::optional<std::string> PercentDecode(std::string_view text, bool plusIsSpace);
// Encodes every byte except letters, digits and "-._~" as "%XX" (upper-case hexadecimal).
std::string PercentEncode(std::string_view text);

// Splits "a=1&b=2" into decoded pairs, in order. A field without "=" has an empty value.
// Returns nothing when a name or value holds a malformed escape.
std::optional<std::vector<std::pair<std::string, std::string>>> ParseFormFields(std::string_view text,
                                                                                 bool plusIsSpace);

// A field of a tab-separated log line: tabs and line breaks a client sent become spaces.
std::string TabField(std::string text);

// A decimal number that fits in 64 bits, nothing else (no sign, no spaces).
std::optional<uint64_t> ParseUnsigned(std::string_view text);

// Shuts down the TCP connection a request arrived on, so the client gets no answer at all.
// The HTTP library does not expose a connection's socket to handlers; it is found by its two
// endpoints among this process's open sockets.
bool ShutdownConnectionOf(const httplib::Request& request);
// The same by the connection's two ports (this process's and the client's).
bool ShutdownConnection(int localPort, int remotePort);

}  // namespace Peers
