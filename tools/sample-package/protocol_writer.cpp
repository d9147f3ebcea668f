#include "tools/sample-package/protocol_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tools/sample-package/file_io.h"

namespace SamplePackage {
namespace {

// Write errors are ignored: an installer that stopped reading must not make the child fail.

constexpr int kPauseAfterEncoding = 150;  // longer than the installer's pause between reads

std::string FillerLines(uint64_t bytes) {
  std::string text;
  const std::string line = "log: " + std::string(94, '.') + "\n";  // 100 bytes, no protocol key
  while (text.size() + line.size() <= bytes) text += line;
  text += std::string(bytes - text.size(), '.');
  return text;
}

void Flood(int fd, uint64_t bytes) {
  const std::string block = FillerLines(64 * 1024);
  for (; bytes >= block.size(); bytes -= block.size()) WriteAll(fd, block);
  WriteAll(fd, FillerLines(bytes));
}

}  // namespace

void SleepMs(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

ProtocolWriter::ProtocolWriter(const TestBehaviour& behaviour) : behaviour_(behaviour) {
  char* end = nullptr;
  const long page = std::strtol(behaviour.encode.c_str(), &end, 10);
  if (!behaviour.encode.empty() && *end == '\0' && page != 65001) {
    const std::string name = "CP" + std::to_string(page) + "//TRANSLIT";
    converter_ = iconv_open(name.c_str(), "UTF-8");
    if (converter_ == reinterpret_cast<iconv_t>(-1)) {
      std::fprintf(stderr, "no converter for code page %ld; writing UTF-8\n", page);
    }
  }
}

ProtocolWriter::~ProtocolWriter() {
  if (converter_ != reinterpret_cast<iconv_t>(-1)) iconv_close(converter_);
}

void ProtocolWriter::AnnounceEncoding() {
  Emit("Encode=" + behaviour_.encode + "\n");
  SleepMs(kPauseAfterEncoding);
}

void ProtocolWriter::Line(std::string_view key, std::string_view value) {
  Emit(Encode(std::string(key) + std::string(value) + "\n"));
}

void ProtocolWriter::Progress(double fraction) {
  SleepMs(behaviour_.progressPauseMs);
  char text[32];
  std::snprintf(text, sizeof(text), "%.3f", fraction);
  Line("Progress=", text);
}

void ProtocolWriter::Lines(std::string_view text) { Emit(Encode(text)); }

void ProtocolWriter::BeforeVerdict() {
  if (!behaviour_.extraLines.empty()) {
    std::string lines = behaviour_.extraLines;
    if (lines.back() != '\n') lines += '\n';
    Lines(lines);
  }
  if (behaviour_.longValue > 0) Line("Message=", std::string(behaviour_.longValue, 'x'));
  if (behaviour_.floodStdout > 0) Flood(STDOUT_FILENO, behaviour_.floodStdout);
  if (behaviour_.floodStderr > 0) Flood(STDERR_FILENO, behaviour_.floodStderr);
}

void ProtocolWriter::AfterVerdict() {
  const std::string line = "Progress=1\n";
  uint64_t left = behaviour_.afterVerdict;
  if (behaviour_.progressPauseMs > 0) {  // one line per read
    for (; left >= line.size(); left -= line.size()) {
      SleepMs(behaviour_.progressPauseMs);
      Emit(line);
    }
    return;
  }
  std::string block;
  while (block.size() + line.size() <= 4096) block += line;
  for (; left >= block.size(); left -= block.size()) WriteAll(STDOUT_FILENO, block);
  for (; left >= line.size(); left -= line.size()) WriteAll(STDOUT_FILENO, line);
}

std::string ProtocolWriter::Encode(std::string_view utf8) {
  if (converter_ == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* at = out.data();
  size_t outLeft = out.size();
  iconv(converter_, nullptr, nullptr, nullptr, nullptr);
  while (inLeft > 0 && iconv(converter_, &in, &inLeft, &at, &outLeft) == static_cast<size_t>(-1)) {
    if (errno != EILSEQ && errno != EINVAL) break;
    // Bytes that are not UTF-8 go out as they are.
    *at++ = *in++;
    --inLeft;
    --outLeft;
  }
  out.resize(static_cast<size_t>(at - out.data()));
  return out;
}

void ProtocolWriter::HangIfDue() {
  if (!behaviour_.hangAfter || linesWritten_ < *behaviour_.hangAfter) return;
  for (;;) pause();  // until killed
}

void ProtocolWriter::Emit(std::string text) {
  HangIfDue();
  ++linesWritten_;
  if (behaviour_.splitCharacter) {
    const auto first = std::find_if(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    const size_t multiByte = first == text.end() ? std::string::npos : static_cast<size_t>(first - text.begin());
    if (multiByte != std::string::npos) {
      // Cut right after the character's first byte, so no encoding can decode either half alone.
      WriteAll(STDOUT_FILENO, std::string_view(text).substr(0, multiByte + 1));
      SleepMs(behaviour_.splitPauseMs);
      WriteAll(STDOUT_FILENO, std::string_view(text).substr(multiByte + 1));
      return;
    }
  }
  if (behaviour_.splitWrites > 0) {
    for (size_t at = 0; at < text.size(); at += behaviour_.splitWrites) {
      if (at > 0) SleepMs(behaviour_.splitPauseMs);
      WriteAll(STDOUT_FILENO, std::string_view(text).substr(at, behaviour_.splitWrites));
    }
    return;
  }
  WriteAll(STDOUT_FILENO, text);
}

}  // namespace SamplePackage
