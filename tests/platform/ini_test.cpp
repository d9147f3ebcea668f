#include "platform/ini.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>

#include "platform/codepage.h"
#include "platform/file.h"

namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qv-ini-XXXXXX";
    dir_ = mkdtemp(pattern);
    path_ = Platform::AnsiToWide(dir_ + "/test.ini");
  }
  void TearDown() override { Platform::RemoveTree(Platform::AnsiToWide(dir_)); }
  void WriteRaw(const std::string& bytes) { std::ofstream(dir_ + "/test.ini", std::ios::binary) << bytes; }
  std::string ReadRaw() { return Platform::ReadWholeFile(path_).value_or("<missing>"); }
  std::wstring Get(const wchar_t* section, const wchar_t* key, size_t size = 260) {
    return Platform::GetPrivateProfileString(section, key, L"<default>", size, path_);
  }

  std::string dir_;
  std::wstring path_;
};

struct ReadCase {
  const wchar_t* section;
  const wchar_t* key;
  const wchar_t* expected;
};

TEST_F(IniTest, ReadsWithWindowsSemantics) {
  WriteRaw(
      "; comment line\r\n"
      "[Install]\r\n"
      "DownloadUrl = http://h/a?x=1=2 \r\n"
      "Quoted=\"  spaced value  \"\r\n"
      "Single='x'\r\n"
      "Half=\"open\r\n"
      "Empty=\r\n"
      "NoEquals\r\n"
      "Dup=first\r\n"
      "Dup=second\r\n"
      "  [ Other ]  \r\n"
      "Key=other\n"
      "[install]\n"
      "Late=ignored, the first matching section is used\n");
  const ReadCase cases[] = {
      {L"Install", L"DownloadUrl", L"http://h/a?x=1=2"},
      {L"INSTALL", L"downloadurl", L"http://h/a?x=1=2"},
      {L"Install", L"Quoted", L"  spaced value  "},
      {L"Install", L"Single", L"x"},
      {L"Install", L"Half", L"\"open"},
      {L"Install", L"Empty", L""},
      {L"Install", L"NoEquals", L"<default>"},
      {L"Install", L"Dup", L"first"},
      {L"Install", L"Missing", L"<default>"},
      {L"Install", L"Key", L"<default>"},
      {L"other", L"KEY", L"other"},
      {L"Install", L"Late", L"<default>"},
      {L"Nowhere", L"Key", L"<default>"},
  };
  for (const ReadCase& c : cases) EXPECT_EQ(Get(c.section, c.key), c.expected) << c.section << "/" << c.key;
}

TEST_F(IniTest, MissingFileGivesTheTrimmedDefault) {
  EXPECT_EQ(Platform::GetPrivateProfileString(L"S", L"K", L"dflt  ", 260, path_), L"dflt");
  EXPECT_EQ(Platform::GetPrivateProfileInt(L"S", L"K", 7, path_), 7);
}

TEST_F(IniTest, ValuesAreCutToTheBufferLessOne) {
  WriteRaw("[S]\nK=" + std::string(300, 'v') + "\n");
  EXPECT_EQ(Get(L"S", L"K").size(), 259u);
  EXPECT_EQ(Get(L"S", L"K", 4), L"vvv");
  EXPECT_EQ(Get(L"S", L"K", 1), L"");
}

TEST_F(IniTest, IntegersReadLikeTheSystem) {
  WriteRaw("[S]\nA= 42 apples\nB=-7\nC=abc\nD=99999999999\nE=-99999999999\nF=\n");
  const std::pair<const wchar_t*, int> cases[] = {
      {L"A", 42}, {L"B", -7}, {L"C", 0}, {L"D", INT_MAX}, {L"E", INT_MIN}, {L"F", 0}, {L"Missing", 5}};
  for (const auto& [key, value] : cases) EXPECT_EQ(Platform::GetPrivateProfileInt(L"S", key, 5, path_), value) << key;
}

TEST_F(IniTest, ReadsUtf16FilesAndUtf8Bom) {
  const std::u16string text = u"[S]\r\nK=\u5b89\u88c5\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  WriteRaw(bytes);
  EXPECT_EQ(Get(L"S", L"K"), L"安装");
  WriteRaw("\xEF\xBB\xBF[S]\nK=v\n");
  EXPECT_EQ(Get(L"S", L"K"), L"v");
}

TEST_F(IniTest, WritesCreateFileAndSectionAndKeepOtherLines) {
  ASSERT_TRUE(Platform::WritePrivateProfileString(L"Base", L"DistinctId", std::wstring_view(L"A1"), path_));
  EXPECT_EQ(ReadRaw(), "[Base]\r\nDistinctId=A1\r\n");

  WriteRaw("; keep me\n[Base]\nDistinctId=old\nOther=1\n\n[Next]\nX=2\n");
  ASSERT_TRUE(Platform::WritePrivateProfileString(L"BASE", L"distinctid", std::wstring_view(L"new"), path_));
  ASSERT_TRUE(Platform::WritePrivateProfileString(L"Base", L"Added", std::wstring_view(L"3"), path_));
  ASSERT_TRUE(Platform::WritePrivateProfileString(L"Next", L"X", std::nullopt, path_));
  EXPECT_EQ(ReadRaw(), "; keep me\r\n[Base]\r\ndistinctid=new\r\nOther=1\r\nAdded=3\r\n\r\n[Next]\r\n");
  EXPECT_EQ(Get(L"Base", L"DistinctId"), L"new");
}

// Several keys at once leave the same text as one write per key would.
TEST_F(IniTest, ABatchOfKeysWritesWhatSingleWritesWould) {
  const std::string start = "; keep me\n[Base]\nDistinctId=old\nOther=1\n\n[Next]\nX=2\n";
  const Platform::IniValue batch[] = {{L"distinctid", L"new"}, {L"Other", std::nullopt}, {L"Added", L"3"}, {L"Added", L"4"}};
  for (const wchar_t* section : {L"BASE", L"New"}) {
    SCOPED_TRACE(Platform::WideToUtf8(section));
    WriteRaw(start);
    for (const Platform::IniValue& v : batch) ASSERT_TRUE(Platform::WritePrivateProfileString(section, v.key, v.value, path_));
    const std::string oneByOne = ReadRaw();
    WriteRaw(start);
    ASSERT_TRUE(Platform::WritePrivateProfileStrings(section, batch, path_));
    EXPECT_EQ(ReadRaw(), oneByOne);
  }
}

TEST_F(IniTest, WriteIntoMissingFolderFailsWithoutLeavingFiles) {
  const std::wstring missing = Platform::AnsiToWide(dir_ + "/no/such/dir/x.ini");
  EXPECT_FALSE(Platform::WritePrivateProfileString(L"S", L"K", std::wstring_view(L"v"), missing));
  EXPECT_FALSE(Platform::PathExists(missing));
}

}  // namespace
