#pragma once
// The diagnostic log: one prefixed line per call to the debugger output, always on.
//
//   WRITE_LOG(L"DL_TYPE=%d\r\n", type);
//
// gives "<P01234><T01240><2026-12-11 11:20:05.123>(CDownloadInstaller::Start)<0042>: DL_TYPE=1".
// Formats use the Windows conventions of Platform::FormatWide ("%s" is a wide string).

#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/thread_identity.h"

inline constexpr wchar_t kLogPrefixFormat[] = L"<P%05d><T%05d><%04d-%02d-%02d %02d:%02d:%02d.%03d>(%s)<%04d>: ";

// Formats `format` with its arguments and emits the result as one debugger-output line.
// The caller puts the prefix at the front of the format and passes the prefix's arguments first.
void WriteLog(const wchar_t* format, ...);

namespace Log {

// "void Utils::Thread::CallBack(void*)" -> "Utils::Thread::CallBack".
std::wstring QualifiedFunctionName(std::string_view prettyFunction);

template <typename... Args>
void WriteTagged(const std::wstring& function, int line, const wchar_t* message, Args... args) {
  const Platform::LocalTime t = Platform::GetLocalTime();
  const std::wstring format = std::wstring(kLogPrefixFormat) + message;
  WriteLog(format.c_str(), static_cast<int>(Platform::CurrentProcessId()),
           static_cast<int>(Platform::CurrentThreadId()), t.year, t.month, t.day, t.hour, t.minute,
           t.second, t.millisecond, function.c_str(), line, args...);
}

}  // namespace Log

#define WRITE_LOG(message, ...)                                                                   \
  do {                                                                                            \
    static const std::wstring qvLogFunction = ::Log::QualifiedFunctionName(__PRETTY_FUNCTION__); \
    ::Log::WriteTagged(qvLogFunction, __LINE__, message __VA_OPT__(, ) __VA_ARGS__);             \
  } while (0)
