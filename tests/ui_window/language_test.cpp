// Loading the numbered texts of a language file, and the language file the skin ships.

#include "ui/language.h"

#include <gtest/gtest.h>

#include "ui/framework/paint_manager.h"
#include "ui/framework/resources.h"

namespace SkinUI {
namespace {

constexpr char kFile[] = R"([
  {"id": 901, "en-US": "Folder", "zh-CN": "文件夹", "zh-TW": "資料夾"},
  {"id": 902, "zh-CN": "只有简体"},
  {"id": "903", "en-US": "an id that is no number"},
  {"id": 904, "en-US": 17},
  "not an entry"
])";

std::wstring Text(int id) {
  const std::wstring* text = PaintManager::GetMultiLanguageString(id);
  return text ? *text : L"<none>";
}

TEST(LanguageTexts, TheLanguageIsChosenByCodeThenByIndex) {
  struct Case {
    int index;
    const wchar_t* code;
    int effective;
    const wchar_t* text901;
    const wchar_t* text902;
  } cases[] = {
      {0, L"zh-TW", 2, L"資料夾", L""},
      {0, L"", 0, L"Folder", L""},
      {1, L"", 1, L"文件夹", L"只有简体"},
      {1, L"fr-FR", 1, L"文件夹", L"只有简体"},  // an unknown code keeps the index
      {7, L"fr-FR", 7, L"", L""},              // an index outside the table has no texts
      {7, L"", 0, L"Folder", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(LoadLanguageTextsFrom(kFile, c.index, c.code), c.effective);
    EXPECT_EQ(Text(901), c.text901);
    EXPECT_EQ(Text(902), c.text902);
  }
  EXPECT_EQ(Text(903), L"<none>") << "an entry without an integer id has no place";
  EXPECT_EQ(Text(904), L"") << "a text that is no string is empty";
}

TEST(LanguageTexts, UnusableFilesLoadNothing) {
  PaintManager::AddMultiLanguageString(950, L"kept");
  EXPECT_EQ(LoadLanguageTextsFrom("", 2, L""), 0);
  EXPECT_EQ(LoadLanguageTextsFrom(std::string(kLanguageFileLimit + 1, ' '), 2, L""), 0);
  EXPECT_EQ(LoadLanguageTextsFrom(R"([{"id": 950, "en-US": "x"})", 2, L""), 2) << "a parse error keeps the index";
  EXPECT_EQ(LoadLanguageTextsFrom(R"({"a": {"id": 950, "zh-TW": "物件"}})", 2, L""), 2);
  EXPECT_EQ(Text(950), L"物件") << "an object's member values are entries too";
  EXPECT_EQ(LoadLanguageTextsFrom("42", 1, L""), 1);
}

TEST(LanguageTexts, TheShippedFileGivesTheLowSpaceTextInEveryLanguage) {
  ASSERT_TRUE(Resources::LoadPackageResource(L"ZIPRES", 147));
  const wchar_t* expected[] = {L"Not enough free disk space. Please choose another folder.",
                               L"磁盘空间不足，请选择其他安装位置", L"磁碟空間不足，請選擇其他安裝位置"};
  for (int index = 0; index < 3; ++index) {
    EXPECT_EQ(LoadLanguageTexts(index, L""), index);
    EXPECT_EQ(Text(kTextLowDiskSpace), expected[index]);
    EXPECT_EQ(LoadLanguageTexts(0, LocaleCodeOf(index)), index);
  }
  EXPECT_EQ(LocaleCodeOf(3), L"");
  EXPECT_EQ(LanguageIndexOf(L"zh-tw"), std::nullopt) << "codes compare exactly";
}

}  // namespace
}  // namespace SkinUI
