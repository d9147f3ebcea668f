#include "app/log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <regex>

#include "platform/wide_format.h"

namespace {

// Captures what the log writes to standard error while alive.
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    file_ = std::tmpfile();
    dup2(fileno(file_), STDERR_FILENO);
  }
  std::string Finish() {
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    std::string out;
    std::rewind(file_);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), file_)) > 0) out.append(buffer, n);
    std::fclose(file_);
    return out;
  }

 private:
  int saved_ = -1;
  FILE* file_ = nullptr;
};

namespace Outer {
struct Probe {
  static void Emit(int n) { WRITE_LOG(L"DL_TYPE=%d\r\n", n); }
  int EmitPath(const std::wstring& path) { WRITE_LOG(L"ExePath: %s", path.c_str()); return __LINE__; }
};
}  // namespace Outer

TEST(Log, LineHasTheExactPrefixAndTheCallersQualifiedName) {
  StderrCapture capture;
  Outer::Probe::Emit(3);
  const std::string out = capture.Finish();
  const std::regex shape(
      R"(<P\d{5,}><T\d{5,}><\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3}>\(Outer::Probe::Emit\)<\d{4}>: DL_TYPE=3\r\n)");
  EXPECT_TRUE(std::regex_match(out, shape)) << out;
  EXPECT_NE(out.find("<P" + std::string(getpid() < 10000 ? "0" : "")), std::string::npos);
}

TEST(Log, MessageWithoutLineEndAndWideArgumentsStayAsGiven) {
  StderrCapture capture;
  const int line = Outer::Probe().EmitPath(L"/opt/安装/Quorvane.exe");
  const std::string out = capture.Finish();
  char lineText[16];
  std::snprintf(lineText, sizeof(lineText), "%04d", line);
  const std::string tail = "(Outer::Probe::EmitPath)<" + std::string(lineText) +
                           ">: ExePath: /opt/\xE5\xAE\x89\xE8\xA3\x85/Quorvane.exe";
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
}

TEST(Log, WidthsAreMinimumsAndTheFormatArgumentsComeFirst) {
  StderrCapture capture;
  WriteLog((std::wstring(kLogPrefixFormat) + L"plain").c_str(), 1234567, 7, 2026, 1, 2, 3, 4, 5, 6,
           L"Utils::CheckNetwork", 12345);
  EXPECT_EQ(capture.Finish(), "<P1234567><T00007><2026-01-02 03:04:05.006>(Utils::CheckNetwork)<12345>: plain");
}

struct NameCase {
  const char* pretty;
  const wchar_t* name;
};

TEST(Log, QualifiedNamesFromCompilerSignatures) {
  const NameCase cases[] = {
      {"void CDownloadInstaller::Start()", L"CDownloadInstaller::Start"},
      {"static unsigned int Utils::Thread::CallBack(void*)", L"Utils::Thread::CallBack"},
      {"CurlClient::CurlClient(const std::wstring&, void*)", L"CurlClient::CurlClient"},
      {"std::map<std::__cxx11::basic_string<wchar_t>, int> A::B::Get(int) const", L"A::B::Get"},
      {"void Foo::operator()(int)", L"Foo::operator()"},
      {"int Utils::CheckNetwork()", L"Utils::CheckNetwork"},
  };
  for (const NameCase& c : cases) EXPECT_EQ(Log::QualifiedFunctionName(c.pretty), c.name) << c.pretty;
}

TEST(WideFormat, StringConversionsFollowTheWindowsConvention) {
  EXPECT_EQ(Platform::FormatWide(L"[%s|%S|%ls|%hs|%5s|%%s]", L"wide", "narrow", L"l", "h", L"ab"),
            L"[wide|narrow|l|h|   ab|%s]");
  EXPECT_EQ(Platform::FormatWide(L"%d %.2f %05d", -3, 0.5, 42), L"-3 0.50 00042");
  const std::wstring big(100000, L'x');
  EXPECT_EQ(Platform::FormatWide(L"%s!", big.c_str()).size(), big.size() + 1);
}

}  // namespace
