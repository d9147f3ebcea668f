#pragma once
// What both libcurl downloaders hand to libcurl alike: URL texts, timeouts, the body sink of the
// header probes, and the length of the digest they accept from a final URL.
//
// URLs go out in UTF-8, except "file:///" URLs, which carry a local path and so go out in the ANSI
// code page the file functions use.

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr long kCurlConnectTimeoutSeconds = 60;
// A transfer slower than this many bytes per second for this many seconds has stalled.
inline constexpr long kCurlStallBytesPerSecond = 1;
inline constexpr long kCurlStallSeconds = 5;
// The expected and the computed MD5 are compared only when both have this length.
inline constexpr size_t kDigestLength = 32;

bool IsFileUrl(std::wstring_view url);
std::string ToCurlUrl(std::wstring_view url);
// libcurl's own text for a result code, as wide text for the log.
std::wstring CurlResultText(int result);
// A write function that accepts and drops every byte (the probes want the headers only).
size_t DiscardCurlBody(char* data, size_t size, size_t count, void* unused);
