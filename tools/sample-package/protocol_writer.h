#pragma once
// The child side of the installer's progress protocol: "Key=value" lines on standard output, each
// sent with one write unless a test behaviour asks for it to be cut, in the encoding announced by
// the first line ("Encode=").

#include <iconv.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/sample-package/test_behaviour.h"

namespace SamplePackage {

class ProtocolWriter {
 public:
  explicit ProtocolWriter(const TestBehaviour& behaviour);
  ~ProtocolWriter();
  ProtocolWriter(const ProtocolWriter&) = delete;
  ProtocolWriter& operator=(const ProtocolWriter&) = delete;

  // "Encode=<value>", then a pause: the installer applies a new encoding from its next read on,
  // so the lines after it must not arrive in the same read.
  void AnnounceEncoding();
  // `key` includes its "=" ("InstPath="); `value` is UTF-8 and is converted to the announced encoding.
  void Line(std::string_view key, std::string_view value);
  void Progress(double fraction);
  // Several lines written with one write (an error and a failure state in the same read).
  void Lines(std::string_view text);
  // The test behaviours that come before the verdict: extra lines, a long value, floods.
  void BeforeVerdict();
  void AfterVerdict();

 private:
  void Emit(std::string text);  // text of one or more whole lines, line feeds included
  std::string Encode(std::string_view utf8);
  void HangIfDue();

  const TestBehaviour& behaviour_;
  iconv_t converter_ = reinterpret_cast<iconv_t>(-1);
  uint64_t linesWritten_ = 0;
};

void SleepMs(int milliseconds);

}  // namespace SamplePackage
