#include "platform/command_line.h"

#include "platform/environment.h"

namespace Platform {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The program name: up to the closing quote when it starts with one, else up to white space.
// No backslash escapes apply to it.
size_t ReadProgramName(std::wstring_view s, std::wstring& out) {
  size_t i = 0;
  if (i < s.size() && s[i] == L'"') {
    ++i;
    while (i < s.size()) {
      if (s[i] == L'"') {
        ++i;
        break;
      }
      out.push_back(s[i++]);
    }
  } else {
    while (i < s.size() && !IsBlank(s[i])) out.push_back(s[i++]);
  }
  return i;
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view s) {
  std::vector<std::wstring> args;
  if (s.empty()) {
    args.push_back(ModuleFileName());
    return args;
  }
  args.emplace_back();
  size_t i = ReadProgramName(s, args.back());
  while (i < s.size() && IsBlank(s[i])) ++i;
  if (i >= s.size()) return args;

  // `quotes` counts the quotes of the current run the way the system does: one means inside a
  // quoted part; the third quote of a run is a literal quote and leaves the quoted part.
  std::wstring current;
  unsigned quotes = 0;
  size_t backslashes = 0;
  while (i < s.size()) {
    const wchar_t c = s[i];
    if (IsBlank(c) && quotes == 0) {
      args.push_back(std::move(current));
      current.clear();
      while (i < s.size() && IsBlank(s[i])) ++i;
      backslashes = 0;
      if (i >= s.size()) return args;
      continue;
    }
    if (c == L'\\') {
      current.push_back(c);
      ++backslashes;
      ++i;
      continue;
    }
    if (c == L'"') {
      if (backslashes % 2 == 0) {
        current.resize(current.size() - backslashes / 2);
        ++quotes;
      } else {
        current.resize(current.size() - backslashes / 2 - 1);
        current.push_back(L'"');
      }
      ++i;
      backslashes = 0;
      while (i < s.size() && s[i] == L'"') {
        if (++quotes == 3) {
          current.push_back(L'"');
          quotes = 0;
        }
        ++i;
      }
      if (quotes == 2) quotes = 0;
      continue;
    }
    current.push_back(c);
    backslashes = 0;
    ++i;
  }
  args.push_back(std::move(current));
  return args;
}

std::wstring QuoteArgument(std::wstring_view arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring_view::npos) return std::wstring(arg);
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
      out.push_back(L'"');
    } else {
      out.append(backslashes, L'\\');
      out.push_back(c);
    }
    backslashes = 0;
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments) {
  std::wstring out;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) {
      out.push_back(L' ');
      out += QuoteArgument(arguments[i]);
    } else if (arguments[i].empty() || arguments[i].find_first_of(L" \t") != std::wstring::npos) {
      out += L"\"" + arguments[i] + L"\"";
    } else {
      out += arguments[i];
    }
  }
  return out;
}

}  // namespace Platform
