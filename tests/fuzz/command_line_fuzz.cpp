// The command-line splitter and the switch map on arbitrary text (the bytes read as UTF-8).
//
// Properties: joining the split arguments and splitting again gives the same arguments; the
// switch map holds, for every key, the value of the first argument that names it; reading any
// value as a number or flag never fails.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/switch_map.h"
#include "platform/codepage.h"
#include "platform/command_line.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// What ParseCommandLine makes of one argument: "-name=value" splits at the first "=", anything
// else is a key without a value.
std::pair<std::wstring, std::wstring> KeyAndValue(const std::wstring& argument) {
  const size_t eq = argument.find(L'=');
  if (!argument.empty() && argument.front() == L'-' && eq != std::wstring::npos)
    return {argument.substr(0, eq), argument.substr(eq + 1)};
  return {argument, L""};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text = Platform::Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size));
  // An empty line stands for the program's own path, which is not what the input says.
  if (text.empty()) return 0;

  const std::vector<std::wstring> arguments = Platform::SplitCommandLine(text);
  FUZZ_CHECK(!arguments.empty());
  FUZZ_CHECK(Platform::SplitCommandLine(Platform::JoinCommandLine(arguments)) == arguments);

  const SwitchMap switches = ParseCommandLine(text);
  for (size_t i = 0; i < arguments.size(); ++i) {
    const auto [key, value] = KeyAndValue(arguments[i]);
    bool earlier = false;
    for (size_t j = 0; j < i && !earlier; ++j) earlier = KeyAndValue(arguments[j]).first == key;
    if (!earlier) FUZZ_CHECK(switches.GetText(key) == value);
  }
  for (const auto& [key, value] : switches.Values()) {
    FUZZ_CHECK(switches.Has(key));
    (void)switches.GetInt(key);
    (void)switches.GetBool(key);
    (void)switches.GetDouble(key, 0.7);
  }
  return 0;
}
