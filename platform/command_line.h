#pragma once
// Command-line text and argument vectors, with the Windows CommandLineToArgvW rules so the same
// text means the same arguments on every system.

#include <string>
#include <string_view>
#include <vector>

namespace Platform {

// Splits like CommandLineToArgvW. The first argument (the program) ends at the first white space
// outside quotes and takes quotes literally as grouping only, with no backslash escapes; the
// others follow the backslash-and-quote rules: 2n backslashes before a quote give n backslashes
// and the quote toggles quoting; 2n+1 give n backslashes and a literal quote; backslashes not
// before a quote are literal; inside quotes, "" gives a literal quote and ends the quoted part.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

// Quotes one argument so that SplitCommandLine gives it back unchanged (not the first argument).
std::wstring QuoteArgument(std::wstring_view argument);
// Joins arguments into one command line that SplitCommandLine splits back into them.
std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments);

}  // namespace Platform
