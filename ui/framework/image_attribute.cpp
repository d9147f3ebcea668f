#include "ui/framework/image_attribute.h"

#include <cwctype>

#include "ui/framework/attribute_values.h"

namespace SkinUI {
namespace {

bool LooksLikeOptionList(std::wstring_view value) { return value.find(L'\'') != std::wstring_view::npos && value.find(L'=') != std::wstring_view::npos; }

void ApplyOption(ImageAttribute& out, std::wstring_view name, std::wstring_view value) {
  if (name == L"file" || name == L"res") out.file = value;
  else if (name == L"dest") out.dest = ParseRect(value);
  else if (name == L"source") out.source = ParseRect(value);
  else if (name == L"corner") out.corner = ParseRect(value);
  else if (name == L"fade") out.fade = static_cast<uint8_t>(std::clamp(ParseInt(value, 255), 0, 255));
  else if (name == L"hole") out.hole = ParseBool(value);
  else if (name == L"xtiled") out.xtiled = ParseBool(value);
  else if (name == L"ytiled") out.ytiled = ParseBool(value);
}

}  // namespace

ImageAttribute ParseImageAttribute(std::wstring_view value) {
  ImageAttribute out;
  if (!LooksLikeOptionList(value)) {
    out.file = value;
    return out;
  }
  size_t pos = 0;
  while (pos < value.size()) {
    while (pos < value.size() && std::iswspace(value[pos])) ++pos;
    const size_t nameStart = pos;
    while (pos < value.size() && value[pos] != L'=' && !std::iswspace(value[pos])) ++pos;
    const std::wstring_view name = value.substr(nameStart, pos - nameStart);
    while (pos < value.size() && std::iswspace(value[pos])) ++pos;
    if (pos >= value.size() || value[pos] != L'=') break;
    ++pos;
    while (pos < value.size() && std::iswspace(value[pos])) ++pos;
    if (pos >= value.size() || value[pos] != L'\'') break;
    const size_t valueStart = ++pos;
    while (pos < value.size() && value[pos] != L'\'') ++pos;
    ApplyOption(out, name, value.substr(valueStart, pos - valueStart));
    if (pos < value.size()) ++pos;  // the closing quote; an unclosed quote ends the list
  }
  return out;
}

}  // namespace SkinUI
