#include "download/downloader_factory.h"

#include "download/curl_client.h"
#include "download/curl_downloader.h"
#include "download/mt_curl_downloader.h"
#include "download/win_downloader.h"
#include "platform/codepage.h"
#include "platform/file.h"

std::unique_ptr<CDownloader> CreateDownloader(int32_t downloadType, DownloadCallback callback, std::wstring url,
                                              std::wstring destinationPath) {
  switch (downloadType) {
    case 2:
      return std::make_unique<CWinDownloader>(std::move(callback), std::move(url), std::move(destinationPath));
    case 3:
      return std::make_unique<CMTCurlDownloader>(std::move(callback), std::move(url), std::move(destinationPath));
    default:
      return std::make_unique<CCurlDownloader>(std::move(callback), std::move(url), std::move(destinationPath));
  }
}

void RemoveDownloadFiles(const std::wstring& destinationPath) {
  Platform::RemoveFile(destinationPath);
  Platform::RemoveFile(CurlClient::PartFilePath(destinationPath));
  for (int i = 0; i < CMTCurlDownloader::kMaxSegments; ++i)
    Platform::RemoveFile(Platform::AnsiToWide(CMTCurlDownloader::partFilePath(destinationPath, i)));
}
