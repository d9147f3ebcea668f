#pragma once
// The installer's private temporary folder, where the uninstaller copy is run from.

#include <string>

namespace Utils {

// The folder "~PlenwickTemp.92482B06FB471E17" in the user's temporary folder, ending in a
// separator; created (private to the user) when missing. Empty when it cannot be created, or when
// what is there is not a directory of this user that no one else may write or read — a symbolic
// link, another user's folder or an open one could let someone else plant the program we run.
std::wstring GetTempWorkDir();

}  // namespace Utils
