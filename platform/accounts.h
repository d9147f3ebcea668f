#pragma once
// Administrator rights of the process and of accounts, and the user at the console.

#include <string>
#include <string_view>

namespace Platform {

// True when the process runs with administrator rights (Windows: its token is in the
// Administrators group; POSIX: effective uid 0).
bool IsProcessAdministrator();
// True when the local account has the administrator privilege level (POSIX: it is root or a
// member of the group sudo, wheel or admin). False for an unknown account.
bool IsAdministratorAccount(std::wstring_view accountName);
// The name of the user logged on at the active console session. POSIX: logind's active session on
// seat0 when logind runs, else the console entry of utmp, else the user running the installer.
bool GetConsoleUserName(std::wstring& name);

}  // namespace Platform
