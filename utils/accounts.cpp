#include "utils/accounts.h"

#include "platform/accounts.h"

namespace Utils {

bool IsRunAsAdmin() { return Platform::IsProcessAdministrator(); }

bool IsAdminAccount(const std::wstring& name) { return Platform::IsAdministratorAccount(name); }

bool GetConsoleUserName(std::wstring& name) { return Platform::GetConsoleUserName(name); }

}  // namespace Utils
