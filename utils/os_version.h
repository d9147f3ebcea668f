#pragma once
// Which system the installer runs on; chooses the package variant.

#include <cstdint>
#include <string>

namespace Utils {

// family: "Windows", or the system's own name ("Linux"). version: the Windows name of
// WindowsVersionName ("XP-" when the version numbers cannot be read), elsewhere the kernel
// release. Callers treat any version containing "XP" as an XP-class system.
void GetOsVersionName(std::wstring& family, std::wstring& version);

// The name of a Windows version: "XP-", "2K", "XP", "Server 2003", "Server 2003 R2", "XP+",
// "Vista", "7", "8", "8.1", "8.1+", "10", "10+", or "major.minor.build" for numbers without a
// name (only the low 16 bits of the build count).
std::wstring WindowsVersionName(uint32_t major, uint32_t minor, uint32_t build, bool isServerR2);

// True on a 64-bit system.
bool IsWow64();

}  // namespace Utils
