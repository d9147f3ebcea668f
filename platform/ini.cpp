#include "platform/ini.h"

#include <climits>
#include <cwctype>
#include <vector>

#include "platform/codepage.h"
#include "platform/file.h"

namespace Platform {
namespace {

struct IniText {
  std::vector<std::wstring> lines;
  bool utf16 = false;
  bool utf8Mark = false;  // began with the UTF-8 byte-order mark, which a write keeps
};

std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && std::iswspace(s.front())) s.remove_prefix(1);
  while (!s.empty() && std::iswspace(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

std::wstring DecodeUtf16Le(std::string_view bytes) {
  std::wstring out;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t unit = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = static_cast<unsigned char>(bytes[i + 2]) | static_cast<unsigned char>(bytes[i + 3]) << 8;
      if (low >= 0xDC00 && low < 0xE000) {
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    out.push_back(static_cast<wchar_t>(unit));
  }
  return out;
}

std::string EncodeUtf16Le(std::wstring_view text) {
  std::string out = "\xFF\xFE";
  auto put = [&out](char32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
  };
  for (wchar_t ch : text) {
    const char32_t cp = static_cast<char32_t>(ch);
    if (cp >= 0x10000) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

IniText Load(std::wstring_view path) {
  IniText ini;
  const std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return ini;
  std::wstring text;
  if (bytes->size() >= 2 && (*bytes)[0] == '\xFF' && (*bytes)[1] == '\xFE') {
    ini.utf16 = true;
    text = DecodeUtf16Le(std::string_view(*bytes).substr(2));
  } else if (bytes->size() >= 3 && bytes->compare(0, 3, "\xEF\xBB\xBF") == 0) {
    ini.utf8Mark = true;
    text = Utf8ToWide(std::string_view(*bytes).substr(3));
  } else {
    text = AnsiToWide(*bytes);
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    ini.lines.push_back(std::move(line));
    start = end + 1;
  }
  return ini;
}

bool Save(const IniText& ini, std::wstring_view path) {
  std::wstring text;
  for (const std::wstring& line : ini.lines) text += line + L"\r\n";
  if (ini.utf16) return WriteFileAtomically(path, EncodeUtf16Le(text));
  // Without its mark again, a second mark after it would be taken for the mark at the next read.
  return WriteFileAtomically(path, (ini.utf8Mark ? "\xEF\xBB\xBF" : "") + WideToAnsi(text));
}

// The name of a "[section]" line, or nullopt for any other line.
std::optional<std::wstring_view> SectionName(std::wstring_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != L'[') return std::nullopt;
  const size_t close = line.find(L']');
  if (close == std::wstring_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

struct KeyLine {
  std::wstring_view key;
  std::wstring_view value;
};

std::optional<KeyLine> ParseKeyLine(std::wstring_view line) {
  const size_t eq = line.find(L'=');
  if (eq == std::wstring_view::npos) return std::nullopt;
  return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::wstring_view StripQuotes(std::wstring_view value) {
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// Index of the first "[section]" line, or lines.size() when absent.
size_t FindSection(const IniText& ini, std::wstring_view section) {
  for (size_t i = 0; i < ini.lines.size(); ++i) {
    const auto name = SectionName(ini.lines[i]);
    if (name && EqualsNoCase(*name, section)) return i;
  }
  return ini.lines.size();
}

// Index of the key's line inside the section that starts at `sectionLine`, or nullopt.
std::optional<size_t> FindKey(const IniText& ini, size_t sectionLine, std::wstring_view key) {
  for (size_t i = sectionLine + 1; i < ini.lines.size(); ++i) {
    if (SectionName(ini.lines[i])) break;
    const auto kv = ParseKeyLine(ini.lines[i]);
    if (kv && EqualsNoCase(kv->key, key)) return i;
  }
  return std::nullopt;
}

// One past the last non-blank line of the section.
size_t SectionEnd(const IniText& ini, size_t sectionLine) {
  size_t end = sectionLine + 1;
  for (size_t i = sectionLine + 1; i < ini.lines.size(); ++i) {
    if (SectionName(ini.lines[i])) break;
    if (!Trim(ini.lines[i]).empty()) end = i + 1;
  }
  return end;
}

std::optional<std::wstring> LookUp(std::wstring_view section, std::wstring_view key, std::wstring_view path) {
  const IniText ini = Load(path);
  const size_t at = FindSection(ini, section);
  if (at == ini.lines.size()) return std::nullopt;
  const auto line = FindKey(ini, at, key);
  if (!line) return std::nullopt;
  return std::wstring(StripQuotes(ParseKeyLine(ini.lines[*line])->value));
}

}  // namespace

std::wstring GetPrivateProfileString(std::wstring_view section, std::wstring_view key,
                                     std::wstring_view defaultValue, size_t bufferChars,
                                     std::wstring_view path) {
  std::wstring value = LookUp(section, key, path).value_or(std::wstring(Trim(defaultValue)));
  const size_t limit = bufferChars == 0 ? 0 : bufferChars - 1;
  if (value.size() > limit) value.resize(limit);
  return value;
}

int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue,
                         std::wstring_view path) {
  const std::optional<std::wstring> text = LookUp(section, key, path);
  if (!text) return defaultValue;
  std::wstring_view s = Trim(*text);
  bool negative = false;
  if (!s.empty() && (s.front() == L'-' || s.front() == L'+')) {
    negative = s.front() == L'-';
    s.remove_prefix(1);
  }
  long long n = 0;
  for (wchar_t c : s) {
    if (c < L'0' || c > L'9') break;
    n = n * 10 + (c - L'0');
    if (n > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) n = -n;
  if (n > INT_MAX) n = INT_MAX;
  if (n < INT_MIN) n = INT_MIN;
  return static_cast<int>(n);
}

namespace {

// Sets or removes one key in the loaded text. False when there was nothing to remove: the section
// is not there.
bool SetKey(IniText& ini, std::wstring_view section, std::wstring_view key, std::optional<std::wstring_view> value) {
  size_t at = FindSection(ini, section);
  if (at == ini.lines.size()) {
    if (!value) return false;
    ini.lines.push_back(L"[" + std::wstring(section) + L"]");
  }
  const auto line = FindKey(ini, at, key);
  const std::wstring text = value ? std::wstring(key) + L"=" + std::wstring(*value) : std::wstring();
  if (line) {
    if (value) ini.lines[*line] = text;
    else ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(*line));
  } else if (value) {
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(ini, at)), text);
  }
  return true;
}

}  // namespace

bool WritePrivateProfileString(std::wstring_view section, std::wstring_view key,
                               std::optional<std::wstring_view> value, std::wstring_view path) {
  IniText ini = Load(path);
  if (!SetKey(ini, section, key, value)) return true;  // nothing to remove: the file stays as it is
  return Save(ini, path);
}

bool WritePrivateProfileStrings(std::wstring_view section, std::span<const IniValue> values, std::wstring_view path) {
  IniText ini = Load(path);
  for (const IniValue& v : values) SetKey(ini, section, v.key, v.value);
  return Save(ini, path);
}

}  // namespace Platform
