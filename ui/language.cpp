#include "ui/language.h"

#include <json/json.h>

#include <memory>

#include "app/log.h"
#include "platform/codepage.h"
#include "platform/file.h"
#include "platform/ini.h"
#include "platform/path.h"
#include "ui/framework/paint_manager.h"
#include "ui/framework/resources.h"

namespace SkinUI {
namespace {

constexpr const wchar_t* kLocaleCodes[] = {L"en-US", L"zh-CN", L"zh-TW"};
constexpr int kLanguageCount = 3;
constexpr unsigned kInstalledLanguageChars = 260;

int EffectiveIndex(int index, std::wstring_view code) {
  if (!code.empty()) return LanguageIndexOf(code).value_or(index);
  return index >= 0 && index < kLanguageCount ? index : 0;
}

// One entry: its id and, for the chosen locale, its text (empty when absent or not a string).
// Entries that are not objects or whose id is not an integer carry no place in the table.
void AddEntry(const Json::Value& entry, const std::string& locale) {
  if (!entry.isObject()) return;
  const Json::Value& id = entry["id"];
  if (!id.isInt()) return;
  std::wstring text;
  if (!locale.empty()) {
    const Json::Value& value = entry[locale];
    // The file is UTF-8 and the ANSI page here is UTF-8 too, so every language takes the same
    // road; a byte sequence that is not UTF-8 decodes to what the code-page module makes of it.
    if (value.isString()) text = Platform::Utf8ToWide(value.asString());
  }
  PaintManager::AddMultiLanguageString(id.asInt(), text);
}

}  // namespace

std::wstring LocaleCodeOf(int index) {
  return index >= 0 && index < kLanguageCount ? kLocaleCodes[index] : L"";
}

std::optional<int> LanguageIndexOf(std::wstring_view code) {
  for (int i = 0; i < kLanguageCount; ++i)
    if (code == kLocaleCodes[i]) return i;
  return std::nullopt;
}

int LoadLanguageTextsFrom(std::string_view json, int index, std::wstring_view code) {
  if (json.empty() || json.size() > kLanguageFileLimit) return 0;
  const int effective = EffectiveIndex(index, code);
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  bool parsed = false;
  try {
    parsed = reader->parse(json.data(), json.data() + json.size(), &root, &errors);
  } catch (const Json::Exception& e) {
    // The reader throws, instead of failing, when arrays and objects nest beyond its depth limit.
    errors = e.what();
  }
  if (!parsed) {
    WRITE_LOG(L"language file not loaded: %hs\r\n", errors.c_str());
    return effective;
  }
  if (!root.isArray() && !root.isObject()) return effective;
  const std::string locale = Platform::WideToUtf8(LocaleCodeOf(effective));
  for (const Json::Value& entry : root) AddEntry(entry, locale);
  return effective;
}

int LoadLanguageTexts(int index, std::wstring_view code) {
  const std::optional<std::string> bytes =
      Resources::ReadFile(ResourceSource{UILIB_ZIPRESOURCE, L""}, kLanguageFileName);
  if (!bytes) return 0;
  return LoadLanguageTextsFrom(*bytes, index, code);
}

std::wstring InstalledLanguageCode(const std::wstring& folder) {
  const std::wstring configIni = Platform::JoinPath(folder, L"config.ini");
  if (!Platform::PathExists(configIni)) return L"";
  return Platform::GetPrivateProfileString(L"Install", L"Language", L"en-US", kInstalledLanguageChars, configIni);
}

}  // namespace SkinUI
