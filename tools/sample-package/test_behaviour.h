#pragma once
// How a test makes the sample package or uninstaller misbehave: environment variables with the
// program's prefix ("QV_PACKAGE_" or "QV_UNINSTALL_"), documented in README.md.

#include <cstdint>
#include <optional>
#include <string>

namespace SamplePackage {

struct TestBehaviour {
  std::string argvFile;               // ARGV_FILE: record argv here, one argument a line
  std::optional<int> silentExit;      // SILENT_EXIT: print nothing, do nothing, exit with this code
  bool fail = false;                  // FAIL: "State=Fail" midway, nothing changed
  std::optional<std::string> error;   // ERROR: "Error=<text>" midway, nothing changed
  std::string encode = "UTF8";        // ENCODE: announced with "Encode="; numbered pages convert
  size_t splitWrites = 0;             // SPLIT_WRITES: write each line in pieces of this many bytes
  int splitPauseMs = 40;              // SPLIT_PAUSE_MS: pause between pieces
  bool splitCharacter = false;        // SPLIT_CHAR: split lines inside their first multi-byte character
  size_t longValue = 0;               // LONG_VALUE: a "Message=" line with this many characters
  std::string extraLines;             // LINES: written as they are before the verdict
  uint64_t floodStdout = 0;           // FLOOD_STDOUT: filler bytes on standard output before the verdict
  uint64_t floodStderr = 0;           // FLOOD_STDERR: the same on standard error
  uint64_t afterVerdict = 0;          // AFTER_VERDICT: "Progress=1" lines after the verdict, in bytes
  std::optional<uint64_t> hangAfter;  // HANG_AFTER: hang until killed after this many lines
  int progressPauseMs = 0;            // PROGRESS_PAUSE_MS: pause between progress lines
  std::optional<int> exitCode;        // EXIT_CODE: exit status at the end

  static TestBehaviour FromEnvironment(const std::string& prefix);
};

// The variable `prefix` + `name`, or nothing when it is not set.
std::optional<std::string> PrefixedVariable(const std::string& prefix, const char* name);

}  // namespace SamplePackage
