#include "install/protocol_child.h"

#include <exception>
#include <memory>

#include "app/log.h"
#include "platform/codepage.h"
#include "utils/process.h"

namespace {

constexpr size_t kReadChunkBytes = 1024;
constexpr size_t kErrorTailLogged = 512;

// The last bytes the child wrote to its standard error, for the diagnostic log.
void LogErrorTail(Utils::Process& child) {
  const std::string error = child.TakeErrorOutput();
  if (error.empty()) return;
  const std::string tail = error.size() > kErrorTailLogged ? error.substr(error.size() - kErrorTailLogged) : error;
  WRITE_LOG(L"child standard error (%d bytes), ends with: %s\r\n", static_cast<int>(error.size()),
            Platform::Utf8ToWide(tail).c_str());
}

}  // namespace

ProtocolChildOutcome RunProtocolChild(const std::wstring& commandLine,
                                      const ProtocolLineAssembler::LineSink& onLine) {
  ProtocolChildOutcome outcome;
  auto child = std::make_unique<Utils::Process>();
  try {
    child->CreatePipes();
    child->Start(commandLine);
  } catch (const std::exception&) {
    return outcome;
  }
  outcome.started = true;

  ProtocolLineAssembler lines;
  char buffer[kReadChunkBytes];
  size_t got = 0;
  while (child->ReadOutput(buffer, sizeof(buffer), got) || got > 0) {
    // A read's text ends at its first zero byte; what follows it in that read is not text.
    std::string_view bytes(buffer, got);
    if (const size_t zero = bytes.find('\0'); zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    lines.Feed(bytes, onLine);
  }
  lines.Finish(onLine);

  child->Wait();
  uint32_t code = 0;
  if (child->GetExitCode(code)) outcome.exitCode = code;
  LogErrorTail(*child);
  child->Close();
  return outcome;
}
