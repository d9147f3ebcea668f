#include "platform/registry.h"

#include <cwctype>
#include <vector>

#include "platform/codepage.h"
#include "platform/environment.h"
#include "platform/file.h"
#include "platform/path.h"

// The per-user store: $XDG_CONFIG_HOME/plenwick-registry/<key path in lower case>.key, one file per
// key. Each line of a key file is one value, "name=value" in UTF-8, with "\" escaping a backslash,
// "=", a line feed ("\n") and a carriage return ("\r"), so any text round-trips.

namespace Platform {
namespace {

constexpr wchar_t kStoreFolder[] = L"plenwick-registry";
constexpr wchar_t kKeyFileSuffix[] = L".key";

struct RegistryValue {
  std::wstring name;
  std::wstring value;
};

std::wstring FoldCase(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return out;
}

// The key's names, without empty ones; nothing when a name would leave the store ("." or "..").
std::optional<std::vector<std::wstring>> SplitKeyPath(std::wstring_view keyPath) {
  std::vector<std::wstring> names;
  std::wstring current;
  auto flush = [&]() -> bool {
    if (current == L"." || current == L"..") return false;
    if (!current.empty()) names.push_back(FoldCase(current));
    current.clear();
    return true;
  };
  for (wchar_t c : keyPath) {
    if (IsPathSeparator(c)) {
      if (!flush()) return std::nullopt;
    } else {
      current.push_back(c);
    }
  }
  if (!flush() || names.empty()) return std::nullopt;
  return names;
}

std::wstring StoreRoot() {
  const std::wstring config = GetSpecialFolder(SpecialFolder::Config);
  return config.empty() ? std::wstring() : JoinPath(config, kStoreFolder);
}

// The key file's path, and the folders above it from the store's root down.
struct KeyLocation {
  std::vector<std::wstring> folders;
  std::wstring file;
};

std::optional<KeyLocation> LocateKey(std::wstring_view keyPath) {
  const auto names = SplitKeyPath(keyPath);
  const std::wstring root = StoreRoot();
  if (!names || root.empty()) return std::nullopt;
  KeyLocation where;
  where.folders.push_back(GetSpecialFolder(SpecialFolder::Config));
  where.folders.push_back(root);
  std::wstring folder = root;
  for (size_t i = 0; i + 1 < names->size(); ++i) {
    folder = JoinPath(folder, (*names)[i]);
    where.folders.push_back(folder);
  }
  where.file = JoinPath(folder, names->back() + kKeyFileSuffix);
  return where;
}

bool EnsureFolders(const KeyLocation& where) {
  for (const std::wstring& folder : where.folders)
    if (!IsDirectory(folder) && !CreatePrivateDirectory(folder) && !IsDirectory(folder)) return false;
  return true;
}

std::wstring Escape(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    switch (c) {
      case L'\\': out += L"\\\\"; break;
      case L'=': out += L"\\="; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

// Undoes Escape; the first unescaped "=" ends the name. A line without one holds no value.
bool ParseValueLine(std::wstring_view line, RegistryValue& out) {
  std::wstring* field = &out.name;
  for (size_t at = 0; at < line.size();) {
    const wchar_t c = line[at++];
    if (c == L'=' && field == &out.name) {
      field = &out.value;
    } else if (c == L'\\' && at < line.size()) {
      const wchar_t e = line[at++];
      field->push_back(e == L'n' ? L'\n' : e == L'r' ? L'\r' : e);
    } else {
      field->push_back(c);
    }
  }
  return field == &out.value;
}

std::vector<RegistryValue> ReadKeyFile(const std::wstring& file) {
  std::vector<RegistryValue> values;
  const auto bytes = ReadWholeFile(file);
  if (!bytes) return values;
  const std::wstring text = Utf8ToWide(*bytes);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    const std::wstring_view line = std::wstring_view(text).substr(start, end - start);
    start = end + 1;
    RegistryValue v;
    if (ParseValueLine(line, v)) values.push_back(std::move(v));
  }
  return values;
}

bool WriteKeyFile(const std::wstring& file, const std::vector<RegistryValue>& values) {
  std::wstring text;
  for (const RegistryValue& v : values) text += Escape(v.name) + L"=" + Escape(v.value) + L"\n";
  return WriteFileAtomically(file, WideToUtf8(text));
}

}  // namespace

bool RegistryWriteString(std::wstring_view keyPath, std::wstring_view name, std::wstring_view value) {
  const auto where = LocateKey(keyPath);
  if (!where || !EnsureFolders(*where)) return false;
  std::vector<RegistryValue> values = ReadKeyFile(where->file);
  const std::wstring folded = FoldCase(name);
  bool replaced = false;
  for (RegistryValue& v : values) {
    if (FoldCase(v.name) == folded) {
      v.value = value;
      replaced = true;
      break;
    }
  }
  if (!replaced) values.push_back({std::wstring(name), std::wstring(value)});
  return WriteKeyFile(where->file, values);
}

std::optional<std::wstring> RegistryReadString(std::wstring_view keyPath, std::wstring_view name) {
  const auto where = LocateKey(keyPath);
  if (!where) return std::nullopt;
  const std::wstring folded = FoldCase(name);
  for (const RegistryValue& v : ReadKeyFile(where->file))
    if (FoldCase(v.name) == folded) return v.value;
  return std::nullopt;
}

}  // namespace Platform
