// The skin's "language.json" on arbitrary bytes, for every language index and code.
//
// Input: byte 0 picks the index and byte 1 the code; the rest is the file.
// Properties: the effective index does not depend on the file's content; after loading, every
// numbered entry of the file holds the text its last entry gives for the chosen language (empty
// when it gives none).

#include <json/json.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "tests/fuzz/fuzz_check.h"
#include "ui/framework/paint_manager.h"
#include "ui/language.h"

namespace {

constexpr int kIndices[] = {0, 1, 2, 3, -1};
constexpr const wchar_t* kCodes[] = {L"", L"en-US", L"zh-CN", L"zh-TW", L"fr-FR"};

// The texts the file should leave in the table, read the same way the loader reads the file.
std::map<int, std::wstring> ExpectedTexts(std::string_view json, const std::string& locale) {
  std::map<int, std::wstring> texts;
  Json::CharReaderBuilder builder;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  try {
    if (!reader->parse(json.data(), json.data() + json.size(), &root, &errors)) return texts;
  } catch (const Json::Exception&) {  // nested beyond the reader's depth limit
    return texts;
  }
  if (!root.isArray() && !root.isObject()) return texts;
  for (const Json::Value& entry : root) {
    if (!entry.isObject() || !entry["id"].isInt()) continue;
    const Json::Value& value = locale.empty() ? Json::Value::nullSingleton() : entry[locale];
    texts[entry["id"].asInt()] = value.isString() ? Platform::Utf8ToWide(value.asString()) : L"";
  }
  return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int index = kIndices[data[0] % std::size(kIndices)];
  const std::wstring_view code = kCodes[data[1] % std::size(kCodes)];
  const std::string_view json(reinterpret_cast<const char*>(data) + 2, size - 2);

  const int effective = SkinUI::LoadLanguageTextsFrom(json, index, code);
  if (json.empty()) {
    FUZZ_CHECK(effective == 0);
    return 0;
  }
  FUZZ_CHECK(effective == SkinUI::LoadLanguageTextsFrom("[]", index, code));

  const std::string locale = Platform::WideToUtf8(SkinUI::LocaleCodeOf(effective));
  for (const auto& [id, text] : ExpectedTexts(json, locale)) {
    const std::wstring* loaded = SkinUI::PaintManager::GetMultiLanguageString(id);
    FUZZ_CHECK(loaded != nullptr && *loaded == text);
    SkinUI::PaintManager::AddMultiLanguageString(id, L"");  // the next input starts from empty texts
  }
  return 0;
}
