#pragma once
// The sources of the console user's name, one by one (POSIX backend; open to tests).

#include <string>

namespace Platform {

// The user of logind's active session on seat0, read from its state files under `runDirectory`
// (normally /run/systemd); empty when logind keeps none.
std::string ConsoleUserFromLogind(const std::string& runDirectory);
// The user of the first console login ("console", a virtual terminal "ttyN" or an X display ":N")
// in the utmp file at `utmpPath`; empty when there is none.
std::string ConsoleUserFromUtmp(const std::string& utmpPath);

}  // namespace Platform
