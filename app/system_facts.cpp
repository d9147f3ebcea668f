#include "app/system_facts.h"

#include "utils/os_version.h"

SystemFacts ReadSystemFacts() {
  SystemFacts facts;
  std::wstring family;
  Utils::GetOsVersionName(family, facts.osVersionName);
  facts.is64Bit = Utils::IsWow64();
  return facts;
}
