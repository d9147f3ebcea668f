#pragma once
// The downloader for a `DownloadType` setting: 2 the system URL downloader, 3 the segmented one,
// any other value the single-stream one.

#include <cstdint>
#include <memory>
#include <string>

#include "download/downloader.h"

std::unique_ptr<CDownloader> CreateDownloader(int32_t downloadType, DownloadCallback callback, std::wstring url,
                                              std::wstring destinationPath);
