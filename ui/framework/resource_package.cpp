#include "ui/framework/resource_package.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "app/log.h"
#include "platform/codepage.h"
#include "ui/framework/archive_header_check.h"

namespace SkinUI {
namespace {

// Entry names are ASCII paths; letters compare without regard to case, everything else exactly.
wchar_t FoldCase(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

wchar_t FoldSeparator(wchar_t c) { return c == L'\\' ? L'/' : c; }

bool SameEntryName(std::wstring_view entry, std::wstring_view request) {
  if (entry.size() != request.size()) return false;
  for (size_t i = 0; i < entry.size(); ++i) {
    if (FoldCase(FoldSeparator(entry[i])) != FoldCase(FoldSeparator(request[i]))) return false;
  }
  return true;
}

struct ArchiveCloser {
  void operator()(struct archive* a) const { archive_read_free(a); }
};
using ArchiveReader = std::unique_ptr<struct archive, ArchiveCloser>;

const char* ErrorText(struct archive* a) {
  const char* text = archive_error_string(a);
  return text != nullptr ? text : "no detail";
}

// Declared sizes come from the archive and are not trusted; storage is reserved from them only up
// to this much, beyond it the string grows with what really decompresses.
constexpr int64_t kMaxTrustedReserve = 8 << 20;

// Unpacks the data of the current item into `out`, keeping the package's total within `budget`.
bool ReadItemData(struct archive* a, struct archive_entry* item, uint64_t* budget, std::string* out) {
  const bool sizeDeclared = archive_entry_size_is_set(item) != 0;
  const int64_t declared = archive_entry_size(item);
  if (sizeDeclared && (declared < 0 || static_cast<uint64_t>(declared) > *budget)) return false;
  if (sizeDeclared && declared <= kMaxTrustedReserve) out->reserve(static_cast<size_t>(declared));

  char chunk[64 * 1024];
  for (;;) {
    const la_ssize_t n = archive_read_data(a, chunk, sizeof chunk);
    if (n == 0) break;
    if (n < 0) return false;
    if (static_cast<uint64_t>(n) > *budget) return false;
    *budget -= static_cast<uint64_t>(n);
    out->append(chunk, static_cast<size_t>(n));
  }
  // A stream that ends early or runs long is damaged even when the decoder did not notice.
  if (sizeDeclared && out->size() != static_cast<uint64_t>(declared)) return false;
  return true;
}

std::wstring NormalisedEntryName(const char* utf8) {
  std::wstring name = Platform::Utf8ToWide(utf8);
  std::replace(name.begin(), name.end(), L'\\', L'/');
  return name;
}

}  // namespace

bool ResourcePackage::Open(const void* data, size_t size) {
  entries_.clear();
  open_ = false;
  const ArchiveLimits limits{kMaxEntries, kMaxUnpackedBytes, kMaxHeaderBytes};
  switch (CheckArchiveHeaders(data, size, limits)) {
    case ArchiveVerdict::kSound:
      break;
    case ArchiveVerdict::kDamaged:
      WRITE_LOG(L"not a skin archive: %d bytes without sound 7z headers\r\n", static_cast<int>(size));
      return false;
    case ArchiveVerdict::kTooDemanding:
      WRITE_LOG(L"skin archive refused: its header asks for more than a skin needs\r\n");
      return false;
    case ArchiveVerdict::kUnfollowed:
      WRITE_LOG(L"skin archive refused: its header holds records a skin archive does not use\r\n");
      return false;
  }

  ArchiveReader reader(archive_read_new());
  if (!reader) return false;
  archive_read_support_format_7zip(reader.get());
  if (archive_read_open_memory(reader.get(), data, size) != ARCHIVE_OK) {
    WRITE_LOG(L"not a skin archive: %hs\r\n", ErrorText(reader.get()));
    return false;
  }

  std::vector<Entry> entries;
  uint64_t budget = kMaxUnpackedBytes;
  struct archive_entry* item = nullptr;
  int index = 0;
  int status;
  while ((status = archive_read_next_header(reader.get(), &item)) == ARCHIVE_OK) {
    const int itemIndex = index++;
    if (static_cast<size_t>(itemIndex) >= kMaxEntries) {
      WRITE_LOG(L"skin archive has more than %d items\r\n", static_cast<int>(kMaxEntries));
      return false;
    }
    if (archive_entry_filetype(item) != AE_IFREG) continue;  // folders carry no data
    const char* path = archive_entry_pathname_utf8(item);
    if (path == nullptr || *path == '\0') return false;
    Entry entry;
    entry.name = NormalisedEntryName(path);
    entry.index = itemIndex;
    if (!ReadItemData(reader.get(), item, &budget, &entry.data)) {
      WRITE_LOG(L"skin archive entry %hs does not unpack: %hs\r\n", path, ErrorText(reader.get()));
      return false;
    }
    entries.push_back(std::move(entry));
  }
  if (status != ARCHIVE_EOF) {
    WRITE_LOG(L"skin archive is damaged: %hs\r\n", ErrorText(reader.get()));
    return false;
  }
  entries_ = std::move(entries);
  open_ = true;
  return true;
}

const ResourcePackage::Entry* ResourcePackage::FindByName(std::wstring_view name) const {
  for (const Entry& e : entries_) {
    if (SameEntryName(e.name, name)) return &e;
  }
  return nullptr;
}

const ResourcePackage::Entry* ResourcePackage::FindByIndex(int index) const {
  // Entries are kept in archive order, so their indices ascend.
  auto it = std::lower_bound(entries_.begin(), entries_.end(), index,
                             [](const Entry& e, int i) { return e.index < i; });
  return (it != entries_.end() && it->index == index) ? &*it : nullptr;
}

bool ResourcePackage::Find(std::wstring_view name, int* index, size_t* size) const {
  const Entry* e = FindByName(name);
  if (e == nullptr) return false;
  if (index != nullptr) *index = e->index;
  if (size != nullptr) *size = e->data.size();
  return true;
}

bool ResourcePackage::Read(int index, void* buffer, size_t size) const {
  const Entry* e = FindByIndex(index);
  if (e == nullptr || (buffer == nullptr && size > 0)) return false;
  const size_t n = std::min(size, e->data.size());
  if (n > 0) std::memcpy(buffer, e->data.data(), n);
  return n == e->data.size();
}

std::optional<std::string_view> ResourcePackage::Data(std::wstring_view name) const {
  const Entry* e = FindByName(name);
  if (e == nullptr) return std::nullopt;
  return std::string_view(e->data);
}

// --- The process's package ---------------------------------------------------------------

namespace {

// Written once under `lock` by the first SetPackageFromMemory; `set` publishes it to lookups on
// any thread. Never destroyed, so views handed out stay valid through the end of the process.
struct ProcessPackage {
  std::mutex lock;
  std::atomic<bool> set{false};
  bool result = false;
  int opens = 0;
  ResourcePackage package;
};

ProcessPackage& Process() {
  static ProcessPackage* process = new ProcessPackage;
  return *process;
}

const ResourcePackage* ReadyPackage() {
  ProcessPackage& p = Process();
  return p.set.load(std::memory_order_acquire) ? &p.package : nullptr;
}

}  // namespace

bool SetPackageFromMemory(const void* data, size_t size) {
  ProcessPackage& p = Process();
  std::lock_guard<std::mutex> guard(p.lock);
  if (p.set.load(std::memory_order_relaxed)) return p.result;
  ++p.opens;
  p.result = p.package.Open(data, size);
  WRITE_LOG(L"skin package membuffer: %d bytes, %d files, %s\r\n", static_cast<int>(size),
            static_cast<int>(p.package.Entries().size()), p.result ? L"opened" : L"unreadable");
  p.set.store(true, std::memory_order_release);
  return p.result;
}

bool IsPackageSet() { return ReadyPackage() != nullptr; }

std::wstring PackageName() { return IsPackageSet() ? L"membuffer" : L""; }

int PackageOpenCount() {
  ProcessPackage& p = Process();
  std::lock_guard<std::mutex> guard(p.lock);
  return p.opens;
}

bool FindEntry(std::wstring_view name, int* index, size_t* size) {
  const ResourcePackage* package = ReadyPackage();
  return package != nullptr && package->Find(name, index, size);
}

bool ReadEntry(int index, void* buffer, size_t size) {
  const ResourcePackage* package = ReadyPackage();
  return package != nullptr && package->Read(index, buffer, size);
}

std::optional<std::string_view> EntryData(std::wstring_view name) {
  const ResourcePackage* package = ReadyPackage();
  if (package == nullptr) return std::nullopt;
  return package->Data(name);
}

}  // namespace SkinUI
