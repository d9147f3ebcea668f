#pragma once
// The facts about the running system that the settings need for the package route.

#include <string>

struct SystemFacts {
  std::wstring osVersionName;
  bool is64Bit = false;
};

SystemFacts ReadSystemFacts();
