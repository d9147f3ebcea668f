#pragma once
// The skin package: a 7z archive of layouts and images, read from memory and kept unpacked.
//
// Opening parses the archive and decompresses every file at once; from then on every layout and
// image is served from memory. Entry names are relative paths with "/" ("res/mainWnd/bg1.png");
// a request may use "\" or "/" and any letter case, but must have the entry's exact length, so
// "MainWnd.xml" finds "mainWnd.xml" and "mainWnd.xml2" finds nothing.
//
// An archive that is not a 7z archive, is truncated, fails a check sum, is encrypted or does not
// decompress completely opens as nothing: every lookup then answers "not found". So does one whose
// header counts more items than the limits below, before anything is reserved for them.
//
// The process has one package (the skin compiled into the program). The first
// SetPackageFromMemory opens it; every later call does nothing and returns the first result.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SkinUI {

// One opened archive. Movable, not copied: the unpacked files may be a few megabytes.
class ResourcePackage {
 public:
  struct Entry {
    std::wstring name;  // "/" as the separator
    int index = 0;      // position of the item in the archive (folders count)
    std::string data;   // the unpacked bytes
  };

  // Limits against archives that claim more than a skin can hold: an archive beyond them opens
  // as nothing instead of growing memory without bound.
  static constexpr size_t kMaxEntries = 4096;
  static constexpr uint64_t kMaxUnpackedBytes = 64ull << 20;
  // A compressed archive header is unpacked to check its counts first; a skin's takes a few KiB.
  static constexpr uint64_t kMaxHeaderBytes = 4ull << 20;

  ResourcePackage() = default;
  ResourcePackage(ResourcePackage&&) = default;
  ResourcePackage& operator=(ResourcePackage&&) = default;
  ResourcePackage(const ResourcePackage&) = delete;
  ResourcePackage& operator=(const ResourcePackage&) = delete;

  // Reads the archive in `data` (the bytes are needed only during the call). True when every file
  // was unpacked; on false the package is empty.
  bool Open(const void* data, size_t size);

  // Index and size of the entry `name` names (see the matching rule above).
  bool Find(std::wstring_view name, int* index, size_t* size) const;
  // Copies entry `index` into `buffer`. True when the whole entry fitted (`size` at least the
  // entry's size); a smaller buffer receives the first `size` bytes and the result is false.
  bool Read(int index, void* buffer, size_t size) const;
  // The unpacked bytes of `name`, valid as long as this package lives.
  std::optional<std::string_view> Data(std::wstring_view name) const;

  const std::vector<Entry>& Entries() const { return entries_; }
  bool IsOpen() const { return open_; }

 private:
  const Entry* FindByName(std::wstring_view name) const;
  const Entry* FindByIndex(int index) const;

  std::vector<Entry> entries_;
  bool open_ = false;
};

// --- The process's package ---------------------------------------------------------------

// Opens the process's package from `size` bytes at `data` the first time; the bytes are copied
// out during the call. Later calls do nothing and return the first call's result.
bool SetPackageFromMemory(const void* data, size_t size);
// True once SetPackageFromMemory has been called (whatever its result).
bool IsPackageSet();
// "membuffer" once the package is set from memory, empty before.
std::wstring PackageName();
// How many times an archive has been opened for the process's package: 0 before the first
// window, 1 afterwards, whatever the number of windows.
int PackageOpenCount();

// Lookups in the process's package; "not found" while no package is set.
bool FindEntry(std::wstring_view name, int* index, size_t* size);
bool ReadEntry(int index, void* buffer, size_t size);
// The unpacked bytes of `name`; they stay in memory for the life of the process.
std::optional<std::string_view> EntryData(std::wstring_view name);

}  // namespace SkinUI
