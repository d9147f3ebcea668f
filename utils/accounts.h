#pragma once
// Administrator rights, as the package and uninstaller switches report them.

#include <string>

namespace Utils {

// True when the installer runs with administrator rights.
bool IsRunAsAdmin();
// True when the local account `name` has the administrator privilege level; false when it has
// not or the account is unknown.
bool IsAdminAccount(const std::wstring& name);
// Stores the name of the user of the active console session and returns true; false when no name
// could be read (`name` is then unchanged).
bool GetConsoleUserName(std::wstring& name);

}  // namespace Utils
