#pragma once
// The process's own path and command line, environment variables and the special folders.

#include <optional>
#include <string>
#include <string_view>

namespace Platform {

std::optional<std::wstring> GetEnvironmentVariable(std::wstring_view name);

// Full path of the running executable.
std::wstring ModuleFileName();
// The whole command line as one text that CommandLineToArgv splits back into this process's
// arguments (the program path first).
std::wstring ProcessCommandLine();

enum class SpecialFolder {
  RoamingAppData,    // APPDATA
  LocalAppData,      // local application data
  ProgramFiles,      // Program Files (x86) / Program Files
  CommonDocuments,   // the documents shared by all users
  Desktop,           // the user's desktop
  Applications,      // where start-menu / quick-launch entries go
  Config,            // per-user configuration (the registry store lives here)
};

// The folder's path without a trailing separator; empty when it cannot be determined.
std::wstring GetSpecialFolder(SpecialFolder folder);
// The user's temporary folder, ending in a separator.
std::wstring GetTempPath();

}  // namespace Platform
