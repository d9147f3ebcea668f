#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(Codepage, Utf8RoundTripIncludingAstralPlane) {
  const std::wstring text = L"安装 Quorvane \U0001F600 ü";
  EXPECT_EQ(Platform::Utf8ToWide(Platform::WideToUtf8(text)), text);
  EXPECT_EQ(Platform::WideToUtf8(L"\u20AC"), "\xE2\x82\xAC");
}

TEST(Codepage, AnsiPageIsUtf8WhateverTheLocale) {
  EXPECT_EQ(Platform::AnsiToWide("\xE5\xAE\x89"), L"安");
  EXPECT_EQ(Platform::WideToAnsi(L"安"), "\xE5\xAE\x89");
}

struct BadUtf8 {
  const char* bytes;
  const wchar_t* decoded;
};

TEST(Codepage, InvalidUtf8BecomesReplacementCharacters) {
  const BadUtf8 cases[] = {
      {"a\xC0\x80z", L"a\uFFFDz"},          // overlong NUL: the lead and its continuation
      {"a\xE2\x82", L"a\uFFFD"},            // truncated at the end
      {"\xED\xA0\x80", L"\uFFFD"},          // a surrogate
      {"\xFF", L"\uFFFD"},
      {"\xE2\x82z", L"\uFFFDz"},            // broken sequence keeps the following character
  };
  for (const BadUtf8& c : cases) EXPECT_EQ(Platform::Utf8ToWide(c.bytes), c.decoded) << c.bytes;
}

TEST(Codepage, NumberedPagesGoThroughTheSystemConverter) {
  // "中文" in GBK (code page 936).
  EXPECT_EQ(Platform::ToWide("\xD6\xD0\xCE\xC4", 936), L"中文");
  EXPECT_EQ(Platform::FromWide(L"中文", 936), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(Platform::ToWide("caf\xE9", 1252), L"café");
  // A GBK lead byte cut off at the end becomes one replacement character.
  EXPECT_EQ(Platform::ToWide("ab\xD6", 936), L"ab\uFFFD");
}

TEST(Codepage, UnknownPageGivesEmptyText) {
  EXPECT_FALSE(Platform::IsKnownCodePage(4242424));
  EXPECT_EQ(Platform::ToWide("abc", 4242424), L"");
  EXPECT_EQ(Platform::FromWide(L"abc", 4242424), "");
  EXPECT_TRUE(Platform::IsKnownCodePage(936));
}

}  // namespace
