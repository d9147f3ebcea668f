#pragma once
// The downloader for a `DownloadType` setting: 2 the system URL downloader, 3 the segmented one,
// any other value the single-stream one.

#include <cstdint>
#include <memory>
#include <string>

#include "download/downloader.h"

std::unique_ptr<CDownloader> CreateDownloader(int32_t downloadType, DownloadCallback callback, std::wstring url,
                                              std::wstring destinationPath);

// Removes the file a download to `destinationPath` makes and whatever any downloader keeps beside
// it for resuming (the single stream's part file, the segment files), so that a download that
// failed for good leaves nothing behind.
void RemoveDownloadFiles(const std::wstring& destinationPath);
