#pragma once
// Texts handed to libcurl: URLs go out in UTF-8, except "file:///" URLs, which carry a local path
// and so go out in the ANSI code page the file functions use.

#include <string>
#include <string_view>

bool IsFileUrl(std::wstring_view url);
std::string ToCurlUrl(std::wstring_view url);
// libcurl's own text for a result code, as wide text for the log.
std::wstring CurlResultText(int result);
