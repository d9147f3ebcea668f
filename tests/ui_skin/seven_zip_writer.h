#pragma once
// Small 7z archives written by hand, for the cases 7-Zip never writes: headers whose counts or
// sizes are forged, with every check sum right, plain or compressed with LZMA as `-mhc=on` packs
// them. The files are stored (copy coder) in one folder.

#include <cstdint>
#include <string>
#include <vector>

namespace SkinTest {

struct StoredFile {
  std::string name;  // ASCII
  std::string data;  // not empty
};

// What the header claims; zero means the true count.
struct HeaderCounts {
  uint64_t files = 0;    // of the files record
  uint64_t streams = 0;  // unpacked streams of the folder
};

// How the header is put into the archive.
struct HeaderPacking {
  bool compressed = false;
  uint64_t claimedSize = 0;    // unpacked size the compressed header claims; zero: its true size
  bool wrongCheckSum = false;  // of the compressed header's unpacked bytes
};

// The files' bytes one after another: the archive's packed data.
std::string StoredData(const std::vector<StoredFile>& files);
// The plain header (it begins with 01) describing `files` stored at the start of the packed data.
std::string PlainHeader(const std::vector<StoredFile>& files, HeaderCounts counts = {});
// A whole archive: start header, `packedData`, then `header` packed as `packing` says.
std::string SevenZipArchive(const std::string& packedData, const std::string& header, HeaderPacking packing = {});

}  // namespace SkinTest
