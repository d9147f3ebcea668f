#pragma once
// Runs one child installer or uninstaller and hands its standard output to the caller line by line.

#include <cstdint>
#include <string>

#include "install/protocol_lines.h"

struct ProtocolChildOutcome {
  bool started = false;   // false: the pipes or the process could not be created (nothing ran)
  uint32_t exitCode = 0;  // the child's exit code, when it started
};

// Starts `commandLine` hidden with piped standard streams and reads its standard output until the
// child, and everything that shares the stream, has closed it, so a child never blocks on a full
// pipe whatever it writes after its verdict. Every complete line goes to `onLine` as it arrives,
// a last unterminated line when the output ends. Standard error is drained meanwhile. Then waits
// without time limit for the child to exit.
ProtocolChildOutcome RunProtocolChild(const std::wstring& commandLine,
                                      const ProtocolLineAssembler::LineSink& onLine);
