// Lines of a child's output put together across reads, and the values of its key=value lines.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/protocol_lines.h"
#include "install/protocol_values.h"

namespace {

std::vector<std::string> Assemble(const std::vector<std::string>& reads) {
  std::vector<std::string> lines;
  ProtocolLineAssembler assembler;
  const auto sink = [&](std::string_view line) { lines.emplace_back(line); };
  for (const std::string& r : reads) assembler.Feed(r, sink);
  assembler.Finish(sink);
  return lines;
}

struct ChunkCase {
  const char* name;
  std::vector<std::string> reads;
  std::vector<std::string> lines;
};

TEST(ProtocolLineAssembler, CompleteLinesWhereverTheReadsCut) {
  const std::string chinese = "InstPath=/opt/安装";  // three-byte characters
  const ChunkCase cases[] = {
      {"one read, two lines", {"Progress=0.5\nState=Success\n"}, {"Progress=0.5", "State=Success"}},
      {"line cut inside the key", {"Prog", "ress=0.25\n"}, {"Progress=0.25"}},
      {"one byte per read", {"S", "t", "a", "t", "e", "=", "F", "a", "i", "l", "\n"}, {"State=Fail"}},
      {"character cut between reads", {chinese.substr(0, chinese.size() - 2), chinese.substr(chinese.size() - 2) + "\n"},
       {chinese}},
      {"carriage return stays", {"Error=disk full\r\n"}, {"Error=disk full\r"}},
      {"last line without a line feed", {"Progress=1\nState=Succ", "ess"}, {"Progress=1", "State=Success"}},
      {"empty lines are lines", {"\n\nA=1\n"}, {"", "", "A=1"}},
      {"nothing", {}, {}},
  };
  for (const ChunkCase& c : cases) EXPECT_EQ(Assemble(c.reads), c.lines) << c.name;
}

TEST(ProtocolLineAssembler, AnEndlessLineIsCutAndTheNextLineIsIntact) {
  const std::string huge(ProtocolLineAssembler::kMaxLineBytes * 3, 'x');
  const auto lines = Assemble({"Message=", huge.substr(0, 5000), huge.substr(5000), "\nState=Success\n"});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), ProtocolLineAssembler::kMaxLineBytes);
  EXPECT_EQ(lines[0].substr(0, 8), "Message=");
  EXPECT_EQ(lines[1], "State=Success");
}

TEST(ProtocolValues, DecimalsReadLikeScanfInTheCLocale) {
  const std::pair<const wchar_t*, std::optional<double>> cases[] = {
      {L"0.5", 0.5},     {L"  0.75\r", 0.75}, {L"1", 1.0},          {L"+0.25", 0.25},
      {L"-2e-1", -0.2},  {L".5x", 0.5},       {L"abc", std::nullopt}, {L"", std::nullopt},
      {L"nan", std::nullopt}, {L"inf", std::nullopt}, {L"1e999", std::nullopt}, {L"０.5", std::nullopt},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Protocol::ReadDecimal(text), expected) << text;
}

TEST(ProtocolValues, IntegersClampToThe32BitRange) {
  const std::pair<const wchar_t*, std::optional<int32_t>> cases[] = {
      {L"3000", 3000},         {L"-1", -1},           {L" 42ms", 42},     {L"x", std::nullopt},
      {L"", std::nullopt},     {L"-", std::nullopt},  {L"99999999999", 2147483647},
      {L"-99999999999", -2147483647 - 1},
  };
  for (const auto& [text, expected] : cases) {
    std::wstring_view rest = text;
    EXPECT_EQ(Protocol::ReadInteger(rest), expected) << text;
  }
  std::wstring_view version = L"1.7.9";
  EXPECT_EQ(Protocol::ReadInteger(version), 1);
  EXPECT_EQ(version, L".7.9");
}

TEST(ProtocolValues, CodePageNumbers) {
  const std::pair<const wchar_t*, uint32_t> cases[] = {
      {L"936", 936u},  {L"65001", 65001u}, {L"GBK", 0u}, {L"", 0u},
      {L"-5", Protocol::kNoCodePage}, {L"99999999999999999999", Protocol::kNoCodePage},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Protocol::CodePageNumber(text), expected) << text;
  EXPECT_EQ(Protocol::DecodeLine("State=Success", Protocol::kNoCodePage), L"");
}

TEST(ProtocolValues, TextValuesAreCutAt771Characters) {
  const std::wstring longValue(5000, L'界');
  EXPECT_EQ(Protocol::TextValue(longValue), std::wstring(771, L'界'));
  EXPECT_EQ(Protocol::TextValue(L"a\r"), L"a\r");
  EXPECT_EQ(Protocol::Trimmed(L" \tSuccess \r"), L"Success");
}

}  // namespace
