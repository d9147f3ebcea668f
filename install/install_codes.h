#pragma once
// The codes the two runners send through their DownloadCallback, and the texts that go with them.

#include <cstdint>

namespace InstallCode {
inline constexpr int32_t kStarted = 2001;
inline constexpr int32_t kProgress = 2002;
inline constexpr int32_t kSucceeded = 2003;
inline constexpr int32_t kFailed = 2004;
// Facts the package reports about its installation.
inline constexpr int32_t kInstallPath = 3000;
inline constexpr int32_t kExePath = 3001;
inline constexpr int32_t kUninstallerExe = 3002;
inline constexpr int32_t kUninstallerRecord = 3003;
inline constexpr int32_t kStartUrl = 3004;
inline constexpr int32_t kStartupStyle = 3005;
inline constexpr int32_t kTopShowDelay = 3007;
inline constexpr int32_t kFinishCloseDelay = 3008;
inline constexpr int32_t kMessage = 3009;
}  // namespace InstallCode

namespace UninstallCode {
inline constexpr int32_t kStarted = 5001;  // never sent; kept for the window's table
inline constexpr int32_t kProgress = 5002;
inline constexpr int32_t kSucceeded = 5003;
inline constexpr int32_t kNotStarted = 5004;
inline constexpr int32_t kFailed = 5005;
}  // namespace UninstallCode

// Values that tell how a run ended when no line of the child said so.
namespace RunEndValue {
inline constexpr double kNoVerdict = 1.0;      // 2003 / 5003: the child exited with code 0 and no verdict line
inline constexpr double kMissing = 1.0;        // 5004: no uninstaller file
inline constexpr double kStartFailed = 2.0;    // 2004 / 5004: the child could not be started
}  // namespace RunEndValue

inline constexpr wchar_t kPackageFailedText[] = L"安装包安装失败";
inline constexpr wchar_t kUninstallFailedText[] = L"安装包卸载失败";
inline constexpr wchar_t kUninstallerMissingText[] = L"可执行卸载文件不存在";
