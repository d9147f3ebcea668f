#include "platform/command_line.h"

#include <gtest/gtest.h>

#include "platform/environment.h"

namespace {

struct SplitCase {
  const wchar_t* line;
  std::vector<std::wstring> args;
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, SplitsLikeTheSystem) {
  EXPECT_EQ(Platform::SplitCommandLine(GetParam().line), GetParam().args) << "line: " << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitCommandLineTest,
    ::testing::Values(
        // The program name: quotes group, backslashes are literal, no escapes.
        SplitCase{L"prog", {L"prog"}},
        SplitCase{L"\"C:\\Program Files\\a.exe\" x", {L"C:\\Program Files\\a.exe", L"x"}},
        SplitCase{L"C:\\dir\\\"a b\" c", {L"C:\\dir\\\"a", L"b c"}},
        SplitCase{L"\"C:\\dir\\\\\" c", {L"C:\\dir\\\\", L"c"}},
        SplitCase{L"\"a b\"c d", {L"a b", L"c", L"d"}},
        // Blanks separate; runs of spaces and tabs count once; trailing blanks add nothing.
        SplitCase{L"p a\t\tb   ", {L"p", L"a", L"b"}},
        SplitCase{L"p \"\"", {L"p", L""}},
        // Backslashes: literal unless they precede a quote.
        SplitCase{L"p a\\b c\\\\d", {L"p", L"a\\b", L"c\\\\d"}},
        SplitCase{L"p a\\\\\"b c\"", {L"p", L"a\\b c"}},     // 2n backslashes + quote: n and toggle
        SplitCase{L"p a\\\\\\\"b", {L"p", L"a\\\"b"}},       // 2n+1 backslashes + quote: n and a literal quote
        SplitCase{L"p \"a\\\\\"", {L"p", L"a\\"}},
        SplitCase{L"p \\\"x\\\"", {L"p", L"\"x\""}},
        // Quotes group blanks; "" inside quotes is a literal quote and ends the quoted part.
        SplitCase{L"p \"a b\" c", {L"p", L"a b", L"c"}},
        SplitCase{L"p \"a\"\"b c\"", {L"p", L"a\"b", L"c"}},
        SplitCase{L"p \"\"\"a\"\"\"", {L"p", L"\"a\""}},
        SplitCase{L"p a\"b c\"d", {L"p", L"ab cd"}},
        SplitCase{L"p \"unterminated arg", {L"p", L"unterminated arg"}},
        // The installer's own switches.
        SplitCase{L"setup.exe -instdir=\"C:\\My Apps\\\" /D=C:\\My Apps",
                  {L"setup.exe", L"-instdir=C:\\My Apps\" /D=C:\\My Apps"}},
        SplitCase{L"setup.exe -downloadurl=http://h/a=b -x", {L"setup.exe", L"-downloadurl=http://h/a=b", L"-x"}}));

TEST(SplitCommandLine, EmptyTextGivesTheProgramPath) {
  EXPECT_EQ(Platform::SplitCommandLine(L""), std::vector<std::wstring>{Platform::ModuleFileName()});
}

TEST(JoinCommandLine, RoundTripsAwkwardArguments) {
  const std::vector<std::wstring> args = {L"/opt/my app/prog", L"", L"a b", L"tab\there", L"q\"uote",
                                          L"trail\\", L"tr ail\\", L"\\\\\"", L"plain", L"中文 路径"};
  EXPECT_EQ(Platform::SplitCommandLine(Platform::JoinCommandLine(args)), args);
}

}  // namespace
