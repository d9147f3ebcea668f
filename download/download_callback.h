#pragma once
// The one notification path of every installation stage: (code, value, text), called synchronously
// by whoever reports. Downloaders use 1001-1006, the package runner 2001-2004 and 3000-3009, the
// uninstaller runner 5001-5005.

#include <cstdint>
#include <functional>

using DownloadCallback = std::function<void(int32_t code, double value, const wchar_t* text)>;
