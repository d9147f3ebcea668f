#pragma once
// Command-line switches of the form -name=value, split with the system's command-line rules.

#include <map>
#include <string>
#include <string_view>

class SwitchMap {
 public:
  // The first occurrence of a key wins.
  void Insert(std::wstring key, std::wstring value) { values_.emplace(std::move(key), std::move(value)); }
  bool Has(const std::wstring& key) const { return values_.count(key) != 0; }

  // The value, or empty text when the key is absent.
  std::wstring GetText(const std::wstring& key) const;
  // Base 10, leading white space and a sign allowed, trailing text ignored; 0 when absent or
  // without digits; clamped to the range of a 32-bit integer.
  int32_t GetInt(const std::wstring& key) const;
  // True exactly when present with the value "true" (case-sensitive).
  bool GetBool(const std::wstring& key) const;
  // A decimal floating-point number; `fallback` when absent or when no number can be read.
  double GetDouble(const std::wstring& key, double fallback) const;

  const std::map<std::wstring, std::wstring>& Values() const { return values_; }

 private:
  std::map<std::wstring, std::wstring> values_;
};

SwitchMap ParseCommandLine(std::wstring_view commandLine);

// Text to number helpers shared by the switches and the settings file.
int32_t ParseInt32(std::wstring_view text);
// nullopt-free: `ok` tells whether a number was read.
double ParseDouble(std::wstring_view text, bool* ok);
