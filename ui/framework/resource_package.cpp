#include "ui/framework/resource_package.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "app/log.h"
#include "platform/codepage.h"

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

uint64_t LittleEndian(const unsigned char* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// The 32-byte start header: signature, version, the check sum of the next 20 bytes, then where the
// archive's header lies, its length and its check sum. The reader library insists on neither check
// sum before it parses the header (and reserves what the counts in a damaged one say), so damage
// to either header is caught here.
bool HeadersAreSound(const void* data, size_t size) {
  static constexpr unsigned char kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
  if (size < 32) return false;
  const auto* p = static_cast<const unsigned char*>(data);
  if (std::memcmp(p, kSignature, sizeof kSignature) != 0) return false;
  if (crc32(0, p + 12, 20) != LittleEndian(p + 8, 4)) return false;
  const uint64_t offset = LittleEndian(p + 12, 8), length = LittleEndian(p + 20, 8);
  if (offset > size - 32 || length > size - 32 - offset) return false;
  return crc32_z(0, p + 32 + offset, static_cast<size_t>(length)) == LittleEndian(p + 28, 4);
}

// --- What the archive's header asks the reader to reserve ---------------------------------
// The reader reserves what the header's counts say before it checks them against the header's
// size, and the decoders reserve the dictionary an archive asks for before they read a byte of
// data, so a header can ask for gigabytes that no skin needs. The archive's header (uncompressed,
// where the start header points) lists the packed streams and the decoders of the compressed
// header or of the files; the archive is refused when it counts more streams or folders than its
// header has bytes, more coders or coder streams than the format allows in one folder, or an LZMA
// or LZMA2 dictionary beyond the package's unpacked limit. What this reading does not follow is
// left to the reader.

constexpr uint64_t kMaxDictionaryBytes = ResourcePackage::kMaxUnpackedBytes;
constexpr uint64_t kMaxFolderStreams = 64;  // coders, and streams of one coder, in a folder

class HeaderBytes {
 public:
  HeaderBytes(const unsigned char* p, size_t size) : p_(p), size_(size) {}
  bool Byte(unsigned char* out) {
    if (at_ >= size_) return false;
    *out = p_[at_++];
    return true;
  }
  // The format's variable-length number: leading 1 bits of the first byte count the bytes after it.
  bool Number(uint64_t* out) {
    unsigned char first;
    if (!Byte(&first)) return false;
    uint64_t value = 0;
    unsigned char mask = 0x80;
    for (int i = 0; i < 8; ++i, mask >>= 1) {
      if ((first & mask) == 0) {
        *out = value | (static_cast<uint64_t>(first & (mask - 1)) << (8 * i));
        return true;
      }
      unsigned char next;
      if (!Byte(&next)) return false;
      value |= static_cast<uint64_t>(next) << (8 * i);
    }
    *out = value;
    return true;
  }
  bool Skip(uint64_t n) {
    if (n > size_ - at_) return false;
    at_ += static_cast<size_t>(n);
    return true;
  }
  const unsigned char* Here() const { return p_ + at_; }
  size_t Size() const { return size_; }

 private:
  const unsigned char* p_;
  size_t size_;
  size_t at_ = 0;
};

uint64_t DictionaryOf(const unsigned char* id, uint64_t idSize, const unsigned char* props, uint64_t propsSize) {
  if (idSize == 1 && id[0] == 0x21 && propsSize >= 1) {  // LZMA2: one byte codes the size
    const unsigned bits = props[0];
    if (bits >= 40) return bits == 40 ? 0xFFFFFFFFull : UINT64_MAX;
    return static_cast<uint64_t>(2 | (bits & 1)) << (bits / 2 + 11);
  }
  if (idSize == 3 && id[0] == 0x03 && id[1] == 0x01 && id[2] == 0x01 && propsSize >= 5)  // LZMA
    return LittleEndian(props + 1, 4);
  return 0;
}

// False when the folders of the decoders' list (after its 0x0B) ask for too much.
bool FoldersWithinLimit(HeaderBytes& in) {
  uint64_t folders;
  unsigned char external;
  if (!in.Number(&folders)) return true;
  if (folders > in.Size()) return false;
  if (!in.Byte(&external) || external != 0) return true;
  for (uint64_t f = 0; f < folders; ++f) {
    uint64_t coders, inputs = 0, outputs = 0;
    if (!in.Number(&coders)) return true;
    if (coders == 0 || coders > kMaxFolderStreams) return false;
    for (uint64_t c = 0; c < coders; ++c) {
      unsigned char flags;
      if (!in.Byte(&flags)) return true;
      const uint64_t idSize = flags & 0x0F;
      const unsigned char* id = in.Here();
      if (!in.Skip(idSize)) return true;
      uint64_t ins = 1, out = 1;
      if ((flags & 0x10) && (!in.Number(&ins) || !in.Number(&out))) return true;
      if (ins > kMaxFolderStreams || out > kMaxFolderStreams) return false;
      inputs += ins;
      outputs += out;
      if (flags & 0x20) {
        uint64_t propsSize;
        if (!in.Number(&propsSize)) return true;
        const unsigned char* props = in.Here();
        if (!in.Skip(propsSize)) return true;
        if (DictionaryOf(id, idSize, props, propsSize) > kMaxDictionaryBytes) return false;
      }
    }
    if (outputs == 0 || inputs + 1 < outputs) return true;
    const uint64_t bindPairs = outputs - 1, packed = inputs - bindPairs;
    for (uint64_t b = 0; b < 2 * bindPairs; ++b) {
      uint64_t ignored;
      if (!in.Number(&ignored)) return true;
    }
    for (uint64_t k = 0; packed > 1 && k < packed; ++k) {
      uint64_t ignored;
      if (!in.Number(&ignored)) return true;
    }
  }
  return true;
}

// Walks a streams record up to its decoders; false when it asks for too much.
bool StreamsWithinLimit(HeaderBytes& in) {
  unsigned char id;
  if (!in.Byte(&id)) return true;
  if (id == 0x06) {  // where the packed streams lie, and their sizes
    uint64_t ignored, streams;
    if (!in.Number(&ignored) || !in.Number(&streams)) return true;
    if (streams > in.Size()) return false;
    if (!in.Byte(&id)) return true;
    if (id == 0x09) {
      for (uint64_t i = 0; i < streams; ++i)
        if (!in.Number(&ignored)) return true;
      if (!in.Byte(&id)) return true;
    }
    if (id != 0x00 || !in.Byte(&id)) return true;
  }
  if (id != 0x07) return true;  // no decoders listed here
  unsigned char folder;
  if (!in.Byte(&folder) || folder != 0x0B) return true;
  return FoldersWithinLimit(in);
}

bool HeaderWithinLimits(const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  const uint64_t offset = LittleEndian(p + 12, 8), length = LittleEndian(p + 20, 8);
  HeaderBytes in(p + 32 + offset, static_cast<size_t>(length));
  unsigned char kind;
  if (!in.Byte(&kind)) return true;
  if (kind == 0x17) return StreamsWithinLimit(in);  // a compressed header: its own decoders
  if (kind != 0x01) return true;
  unsigned char id;
  if (!in.Byte(&id) || id != 0x04) return true;  // other records first: left to the reader
  return StreamsWithinLimit(in);
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
  if (data == nullptr || !HeadersAreSound(data, size)) {
    WRITE_LOG(L"not a skin archive: %d bytes without sound 7z headers\r\n", static_cast<int>(size));
    return false;
  }
  if (!HeaderWithinLimits(data, size)) {
    WRITE_LOG(L"skin archive refused: its header asks for more than a skin needs\r\n");
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
