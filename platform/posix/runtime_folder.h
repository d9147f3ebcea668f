#pragma once
// The user's private runtime folder: $XDG_RUNTIME_DIR when it is set and private, otherwise
// /tmp/plenwick-<uid>, made 0700 when missing. The single-instance lock and the installer's
// message socket live there; anyone else able to create files in it could take the lock or
// answer in the installer's place, so a folder that is not private is refused.

#include <string>

namespace Platform::Posix {

// A descriptor of the folder (close-on-exec), or -1; `path` receives its path.
int OpenPrivateRuntimeFolder(std::string* path = nullptr);

}  // namespace Platform::Posix
