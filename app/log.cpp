#include "app/log.h"

#include <cstdarg>

#include "platform/codepage.h"
#include "platform/debug_output.h"
#include "platform/wide_format.h"

void WriteLog(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const std::wstring line = Platform::FormatWideV(format, args);
  va_end(args);
  if (!line.empty()) Platform::OutputDebugText(line);
}

namespace Log {

std::wstring QualifiedFunctionName(std::string_view pretty) {
  // The parameter list starts at the first "(" outside template brackets, except the one of
  // "operator()".
  int depth = 0;
  size_t open = pretty.size();
  for (size_t i = 0; i < pretty.size(); ++i) {
    const char c = pretty[i];
    if (c == '<') ++depth;
    else if (c == '>' && depth > 0) --depth;
    else if (c == '(' && depth == 0) {
      if (i >= 8 && pretty.substr(i - 8, 8) == "operator" && pretty.substr(i, 2) == "()") {
        ++i;
        continue;
      }
      open = i;
      break;
    }
  }
  std::string_view head = pretty.substr(0, open);
  // The name is what follows the last space outside template brackets (the return type precedes it).
  depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < head.size(); ++i) {
    const char c = head[i];
    if (c == '<') ++depth;
    else if (c == '>' && depth > 0) --depth;
    else if (c == ' ' && depth == 0) start = i + 1;
  }
  std::string name(head.substr(start));
  // Functions in unnamed namespaces carry a marker that means nothing to a reader of the log.
  for (const char* marker : {"{anonymous}::", "(anonymous namespace)::"})
    for (size_t at = name.find(marker); at != std::string::npos; at = name.find(marker))
      name.erase(at, std::char_traits<char>::length(marker));
  return Platform::AnsiToWide(name);
}

}  // namespace Log
