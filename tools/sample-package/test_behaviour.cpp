#include "tools/sample-package/test_behaviour.h"

#include <cstdlib>
#include <cstdio>

namespace SamplePackage {
namespace {

// A number from the environment; a malformed one is reported and ignored rather than guessed.
template <typename Number>
void ReadNumber(const std::string& prefix, const char* name, Number* out) {
  const std::optional<std::string> text = PrefixedVariable(prefix, name);
  if (!text) return;
  char* end = nullptr;
  const long long value = std::strtoll(text->c_str(), &end, 10);
  if (text->empty() || *end != '\0') {
    std::fprintf(stderr, "ignoring %s%s=%s: not a number\n", prefix.c_str(), name, text->c_str());
    return;
  }
  *out = static_cast<Number>(value);
}

template <typename Number>
void ReadOptionalNumber(const std::string& prefix, const char* name, std::optional<Number>* out) {
  if (!PrefixedVariable(prefix, name)) return;
  Number value{};
  ReadNumber(prefix, name, &value);
  *out = value;
}

bool ReadFlag(const std::string& prefix, const char* name) {
  const std::optional<std::string> text = PrefixedVariable(prefix, name);
  return text && !text->empty() && *text != "0";
}

}  // namespace

std::optional<std::string> PrefixedVariable(const std::string& prefix, const char* name) {
  const char* value = std::getenv((prefix + name).c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

TestBehaviour TestBehaviour::FromEnvironment(const std::string& prefix) {
  TestBehaviour b;
  b.argvFile = PrefixedVariable(prefix, "ARGV_FILE").value_or("");
  ReadOptionalNumber(prefix, "SILENT_EXIT", &b.silentExit);
  b.fail = ReadFlag(prefix, "FAIL");
  b.error = PrefixedVariable(prefix, "ERROR");
  b.encode = PrefixedVariable(prefix, "ENCODE").value_or("UTF8");
  ReadNumber(prefix, "SPLIT_WRITES", &b.splitWrites);
  ReadNumber(prefix, "SPLIT_PAUSE_MS", &b.splitPauseMs);
  b.splitCharacter = ReadFlag(prefix, "SPLIT_CHAR");
  ReadNumber(prefix, "LONG_VALUE", &b.longValue);
  b.extraLines = PrefixedVariable(prefix, "LINES").value_or("");
  ReadNumber(prefix, "FLOOD_STDOUT", &b.floodStdout);
  ReadNumber(prefix, "FLOOD_STDERR", &b.floodStderr);
  ReadNumber(prefix, "AFTER_VERDICT", &b.afterVerdict);
  ReadOptionalNumber(prefix, "HANG_AFTER", &b.hangAfter);
  ReadNumber(prefix, "PROGRESS_PAUSE_MS", &b.progressPauseMs);
  ReadOptionalNumber(prefix, "EXIT_CODE", &b.exitCode);
  return b;
}

}  // namespace SamplePackage
