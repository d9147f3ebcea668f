#include "download/curl_common.h"

#include <curl/curl.h>

#include "platform/codepage.h"

bool IsFileUrl(std::wstring_view url) { return url.starts_with(L"file:///"); }

std::string ToCurlUrl(std::wstring_view url) {
  return IsFileUrl(url) ? Platform::WideToAnsi(url) : Platform::WideToUtf8(url);
}

std::wstring CurlResultText(int result) {
  return Platform::AnsiToWide(curl_easy_strerror(static_cast<CURLcode>(result)));
}

size_t DiscardCurlBody(char*, size_t size, size_t count, void*) { return size * count; }
