// The child progress protocol on arbitrary output, cut into arbitrary reads, through the package
// runner's or the uninstaller runner's table, starting in any code page the runners know.
//
// Input: byte 0 picks the runner (bit 0) and the starting code page (the rest); bytes 1 to 3 are
// the sizes of the reads, used in turn; the rest is what the child writes.
//
// Properties: the lines do not depend on how the output was cut into reads; no line holds a line
// feed or exceeds the line limit; every notification carries a code of its runner's range, a
// finite value and a text no longer than a value may be.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "install/install_codes.h"
#include "install/installer.h"
#include "install/protocol_lines.h"
#include "install/protocol_values.h"
#include "install/uninstaller.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// "Encode=" values: named pages, numbered pages the converter knows, one it does not, one that
// names no page at all, and a value that is no number.
constexpr const char* kInstallerPages[] = {"ACP", "UTF8", "936", "950", "1252", "932", "65001",
                                           "20127", "12345", "-1", "2147483647", "x"};
constexpr const char* kUninstallerPages[] = {"ACP", "UTF8", "936"};

// The text of one read ends at its first zero byte, as the runners take it from the pipe.
std::string_view ReadText(std::string_view read) { return read.substr(0, read.find('\0')); }

std::vector<std::string> LinesOf(const std::vector<std::string_view>& reads) {
  std::vector<std::string> lines;
  ProtocolLineAssembler assembler;
  const auto sink = [&lines](std::string_view line) { lines.emplace_back(line); };
  for (std::string_view read : reads) assembler.Feed(ReadText(read), sink);
  assembler.Finish(sink);
  return lines;
}

void CheckNotification(bool uninstaller, int32_t code, double value, const wchar_t* text) {
  if (uninstaller)
    FUZZ_CHECK(code >= UninstallCode::kProgress && code <= UninstallCode::kFailed);
  else
    FUZZ_CHECK((code >= InstallCode::kStarted && code <= InstallCode::kFailed) ||
               (code >= InstallCode::kInstallPath && code <= InstallCode::kMessage));
  FUZZ_CHECK(std::isfinite(value));
  FUZZ_CHECK(text != nullptr);
  FUZZ_CHECK(std::wstring_view(text).size() <= Protocol::kMaxValueChars ||
             std::wstring_view(text) == kPackageFailedText || std::wstring_view(text) == kUninstallFailedText);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const bool uninstaller = data[0] & 1;
  const std::string page = uninstaller ? kUninstallerPages[(data[0] >> 1) % std::size(kUninstallerPages)]
                                       : kInstallerPages[(data[0] >> 1) % std::size(kInstallerPages)];
  const size_t readSizes[3] = {data[1] % 64u + 1, data[2] * 67u + 1, data[3] % 7u + 1};
  const std::string output = "Encode=" + page + "\n" + std::string(reinterpret_cast<const char*>(data) + 4, size - 4);

  // The same output as one read per zero-free stretch, and cut by the sizes the input chose.
  std::vector<std::string_view> whole, cut;
  for (size_t at = 0; at < output.size();) {
    const size_t zero = output.find('\0', at);
    const size_t end = zero == std::string::npos ? output.size() : zero + 1;
    whole.push_back(std::string_view(output).substr(at, end - at));
    at = end;
  }
  // A read that holds a zero loses what follows it, so the cut reads must end at the same zeros.
  for (std::string_view stretch : whole) {
    for (size_t at = 0, turn = 0; at < stretch.size(); ++turn) {
      const size_t n = std::min(readSizes[turn % 3], stretch.size() - at);
      cut.push_back(stretch.substr(at, n));
      at += n;
    }
  }
  const std::vector<std::string> lines = LinesOf(whole);
  FUZZ_CHECK(LinesOf(cut) == lines);
  for (const std::string& line : lines) {
    FUZZ_CHECK(line.find('\n') == std::string::npos);
    FUZZ_CHECK(line.size() <= ProtocolLineAssembler::kMaxLineBytes);
  }

  const DownloadCallback check = [uninstaller](int32_t code, double value, const wchar_t* text) {
    CheckNotification(uninstaller, code, value, text);
  };
  if (uninstaller) {
    CUnInstaller runner(check, L"/nonexistent/uninst.exe", L"/nonexistent");
    for (const std::string& line : lines) (void)runner.ParseLineBytes(line);
  } else {
    CInstaller runner(check, L"\"/nonexistent/setup.exe\"", L"/nonexistent", true, false, false);
    for (const std::string& line : lines) (void)runner.ParseLineBytes(line);
  }
  return 0;
}
