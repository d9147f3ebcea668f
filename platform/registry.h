#pragma once
// The per-user registry: keys named by a path of names ("Software\Plenwick\Quorvane", either
// separator), each holding named string values. Key and value names compare without regard to
// letter case, as the Windows registry does.
//
// Windows: HKEY_CURRENT_USER. POSIX: one file per key under the user's configuration folder
// ($XDG_CONFIG_HOME, default ~/.config), replaced atomically on every write.

#include <optional>
#include <string>
#include <string_view>

namespace Platform {

// Creates the key (and every missing parent) when needed and stores `value` under `name`.
// False when the key cannot be created or written.
bool RegistryWriteString(std::wstring_view keyPath, std::wstring_view name, std::wstring_view value);

// The stored text, or nothing when the key or the value is missing or cannot be read.
std::optional<std::wstring> RegistryReadString(std::wstring_view keyPath, std::wstring_view name);

}  // namespace Platform
