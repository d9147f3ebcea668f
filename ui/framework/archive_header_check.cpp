#include "ui/framework/archive_header_check.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace SkinUI {
namespace {

// The records of a 7z header, by their ids.
enum Record : uint64_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreamsInfo = 0x03,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEncodedHeader = 0x17,
};

constexpr uint64_t kMaxFolderStreams = 64;  // coders, and streams of one coder, in a folder

uint64_t LittleEndian(const unsigned char* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// The 32-byte start header: signature, version, the check sum of the next 20 bytes, then where the
// archive's header lies, its length and its check sum. The reader insists on neither check sum
// before it parses the header.
bool StartHeaderIsSound(const unsigned char* p, size_t size) {
  static constexpr unsigned char kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
  if (size < 32) return false;
  if (std::memcmp(p, kSignature, sizeof kSignature) != 0) return false;
  if (crc32(0, p + 12, 20) != LittleEndian(p + 8, 4)) return false;
  const uint64_t offset = LittleEndian(p + 12, 8), length = LittleEndian(p + 20, 8);
  if (offset > size - 32 || length > size - 32 - offset) return false;
  return crc32_z(0, p + 32 + offset, static_cast<size_t>(length)) == LittleEndian(p + 28, 4);
}

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

// Where a compressed header lies and how it is packed: the first packed stream and the first
// folder's first coder.
struct PackedHeader {
  uint64_t packPosition = 0;
  uint64_t packStreams = 0;
  uint64_t packSize = 0;
  uint64_t folders = 0;
  uint64_t coders = 0;
  bool simpleCoder = false;  // one stream in, one out
  const unsigned char* id = nullptr;
  uint64_t idSize = 0;
  const unsigned char* props = nullptr;
  uint64_t propsSize = 0;
  uint64_t unpackSize = 0;
  bool crcDefined = false;
  uint32_t crc = 0;
};

// Walks one header (or the streams record of a compressed one) from start to end. Every count
// that makes the reader reserve memory is held to the limits; anything cut short is damage.
class HeaderWalk {
 public:
  HeaderWalk(const unsigned char* p, size_t size, const ArchiveLimits& limits) : in_(p, size), limits_(limits) {}

  // After the header's own id: its records up to its end.
  ArchiveVerdict Header() {
    uint64_t id;
    if (!in_.Number(&id)) return Damaged();
    if (id == kArchiveProperties) {
      if (!SkipProperties() || !in_.Number(&id)) return Damaged();
    }
    if (id == kAdditionalStreamsInfo) return Unfollowed();
    if (id == kMainStreamsInfo) {
      if (!Streams(nullptr) || !in_.Number(&id)) return Damaged();
    }
    if (id == kFilesInfo) {
      if (!FilesInfo() || !in_.Number(&id)) return Damaged();
    }
    return id == kEnd ? verdict_ : Damaged();
  }

  // After a compressed header's id: the streams record that says how the header is packed.
  ArchiveVerdict EncodedHeader(PackedHeader* packed) { return Streams(packed) ? verdict_ : Damaged(); }

 private:
  bool Streams(PackedHeader* packed) {
    uint64_t id;
    if (!in_.Number(&id)) return Fail(ArchiveVerdict::kDamaged);
    if (id == kPackInfo) {
      if (!PackInfo(packed) || !in_.Number(&id)) return Fail(ArchiveVerdict::kDamaged);
    }
    if (id == kUnpackInfo) {
      if (!UnpackInfo(packed) || !in_.Number(&id)) return Fail(ArchiveVerdict::kDamaged);
    }
    if (id == kSubStreamsInfo) {
      if (!SubStreamsInfo() || !in_.Number(&id)) return Fail(ArchiveVerdict::kDamaged);
    }
    return id == kEnd || Fail(ArchiveVerdict::kDamaged);
  }

  bool PackInfo(PackedHeader* packed) {
    uint64_t position, streams, id;
    if (!in_.Number(&position) || !in_.Number(&streams)) return false;
    if (streams > limits_.maxItems) return Fail(ArchiveVerdict::kTooDemanding);
    if (packed != nullptr) {
      packed->packPosition = position;
      packed->packStreams = streams;
    }
    if (!in_.Number(&id)) return false;
    if (id == kSize) {
      for (uint64_t i = 0; i < streams; ++i) {
        uint64_t size;
        if (!in_.Number(&size)) return false;
        if (packed != nullptr && i == 0) packed->packSize = size;
      }
      if (!in_.Number(&id)) return false;
    }
    if (id == kCrc) {
      if (!Digests(streams, nullptr) || !in_.Number(&id)) return false;
    }
    return id == kEnd || Fail(ArchiveVerdict::kDamaged);
  }

  bool UnpackInfo(PackedHeader* packed) {
    uint64_t id, folders;
    if (!in_.Number(&id) || id != kFolder || !in_.Number(&folders)) return false;
    if (folders > limits_.maxItems) return Fail(ArchiveVerdict::kTooDemanding);
    unsigned char external;
    if (!in_.Byte(&external)) return false;
    if (external != 0) return Fail(ArchiveVerdict::kUnfollowed);
    uint64_t outputs = 0;
    for (uint64_t f = 0; f < folders; ++f) {
      if (!Folder(f == 0 ? packed : nullptr, &outputs)) return false;
    }
    if (!in_.Number(&id) || id != kCodersUnpackSize) return false;
    for (uint64_t i = 0; i < outputs; ++i) {
      uint64_t size;
      if (!in_.Number(&size)) return false;
      if (packed != nullptr && i == 0) packed->unpackSize = size;
    }
    folderCrcDefined_.assign(static_cast<size_t>(folders), 0);
    if (packed != nullptr) packed->folders = folders;
    if (!in_.Number(&id)) return false;
    if (id == kCrc) {
      if (!Digests(folders, &folderCrcDefined_) || !in_.Number(&id)) return false;
      if (packed != nullptr && folders > 0 && folderCrcDefined_[0]) {
        packed->crcDefined = true;
        packed->crc = firstCrc_;
      }
    }
    return id == kEnd || Fail(ArchiveVerdict::kDamaged);
  }

  // One folder: its coders, how their streams are bound, and which of them are packed.
  bool Folder(PackedHeader* packed, uint64_t* outputs) {
    uint64_t coders, inputs = 0, outs = 0;
    if (!in_.Number(&coders)) return false;
    if (coders == 0) return false;
    if (coders > kMaxFolderStreams) return Fail(ArchiveVerdict::kTooDemanding);
    for (uint64_t c = 0; c < coders; ++c) {
      unsigned char flags;
      if (!in_.Byte(&flags)) return false;
      if (flags & 0x80) return Fail(ArchiveVerdict::kUnfollowed);  // alternative methods
      const uint64_t idSize = flags & 0x0F;
      const unsigned char* id = in_.Here();
      if (!in_.Skip(idSize)) return false;
      uint64_t ins = 1, out = 1;
      if ((flags & 0x10) && (!in_.Number(&ins) || !in_.Number(&out))) return false;
      if (ins > kMaxFolderStreams || out > kMaxFolderStreams) return Fail(ArchiveVerdict::kTooDemanding);
      inputs += ins;
      outs += out;
      const unsigned char* props = nullptr;
      uint64_t propsSize = 0;
      if (flags & 0x20) {
        if (!in_.Number(&propsSize)) return false;
        props = in_.Here();
        if (!in_.Skip(propsSize)) return false;
        if (DictionaryOf(id, idSize, props, propsSize) > limits_.maxDictionary)
          return Fail(ArchiveVerdict::kTooDemanding);
      }
      if (packed != nullptr && c == 0) {
        packed->coders = coders;
        packed->simpleCoder = ins == 1 && out == 1;
        packed->id = id;
        packed->idSize = idSize;
        packed->props = props;
        packed->propsSize = propsSize;
      }
    }
    if (outs == 0 || inputs + 1 < outs) return false;
    const uint64_t bindPairs = outs - 1, packedStreams = inputs - bindPairs;
    for (uint64_t b = 0; b < 2 * bindPairs; ++b) {
      uint64_t ignored;
      if (!in_.Number(&ignored)) return false;
    }
    for (uint64_t k = 0; packedStreams > 1 && k < packedStreams; ++k) {
      uint64_t ignored;
      if (!in_.Number(&ignored)) return false;
    }
    *outputs += outs;
    return true;
  }

  // How the folders' unpacked data divides into files: their counts, sizes and check sums.
  bool SubStreamsInfo() {
    const size_t folders = folderCrcDefined_.size();
    std::vector<uint64_t> streams(folders, 1);
    uint64_t id;
    if (!in_.Number(&id)) return false;
    if (id == kNumUnpackStream) {
      uint64_t total = 0;
      for (uint64_t& n : streams) {
        if (!in_.Number(&n)) return false;
        if (n > limits_.maxItems - total) return Fail(ArchiveVerdict::kTooDemanding);
        total += n;
      }
      if (!in_.Number(&id)) return false;
    }
    if (id == kSize) {
      for (uint64_t n : streams) {
        for (uint64_t k = 1; k < n; ++k) {
          uint64_t ignored;
          if (!in_.Number(&ignored)) return false;
        }
      }
      if (!in_.Number(&id)) return false;
    }
    if (id == kCrc) {
      uint64_t unknown = 0;  // streams whose check sum their folder's does not give
      for (size_t f = 0; f < folders; ++f) {
        if (streams[f] != 1 || !folderCrcDefined_[f]) unknown += streams[f];
      }
      if (!Digests(unknown, nullptr) || !in_.Number(&id)) return false;
    }
    return id == kEnd || Fail(ArchiveVerdict::kUnfollowed);
  }

  bool FilesInfo() {
    uint64_t files;
    if (!in_.Number(&files)) return false;
    if (files > limits_.maxItems) return Fail(ArchiveVerdict::kTooDemanding);
    return SkipProperties();
  }

  // Properties as type, size and bytes, up to an end mark.
  bool SkipProperties() {
    for (;;) {
      uint64_t type, size;
      if (!in_.Number(&type)) return false;
      if (type == kEnd) return true;
      if (!in_.Number(&size) || !in_.Skip(size)) return false;
    }
  }

  // `count` check sums, each present or not; `defined` (when given) receives which are.
  bool Digests(uint64_t count, std::vector<unsigned char>* defined) {
    if (count > limits_.maxItems) return Fail(ArchiveVerdict::kTooDemanding);
    unsigned char allDefined;
    if (!in_.Byte(&allDefined)) return false;
    std::vector<unsigned char> present(static_cast<size_t>(count), 1);
    if (allDefined == 0) {
      unsigned char bits = 0;
      for (uint64_t i = 0; i < count; ++i) {
        if (i % 8 == 0 && !in_.Byte(&bits)) return false;
        present[i] = (bits >> (7 - i % 8)) & 1;
      }
    }
    bool first = true;
    for (uint64_t i = 0; i < count; ++i) {
      if (!present[i]) continue;
      const unsigned char* crc = in_.Here();
      if (!in_.Skip(4)) return false;
      if (first) firstCrc_ = static_cast<uint32_t>(LittleEndian(crc, 4));
      first = false;
    }
    if (defined != nullptr) *defined = std::move(present);
    return true;
  }

  // Keeps the first reason: a record that fails after a count was refused is not also damage.
  bool Fail(ArchiveVerdict v) {
    if (verdict_ == ArchiveVerdict::kSound) verdict_ = v;
    return false;
  }
  ArchiveVerdict Damaged() { return Fail(ArchiveVerdict::kDamaged), verdict_; }
  ArchiveVerdict Unfollowed() { return Fail(ArchiveVerdict::kUnfollowed), verdict_; }

  HeaderBytes in_;
  const ArchiveLimits& limits_;
  ArchiveVerdict verdict_ = ArchiveVerdict::kSound;
  std::vector<unsigned char> folderCrcDefined_;  // per folder of the streams record
  uint32_t firstCrc_ = 0;                        // of the last digest list read
};

bool IsLzma(const PackedHeader& h) {
  return h.idSize == 3 && h.id[0] == 0x03 && h.id[1] == 0x01 && h.id[2] == 0x01;
}
bool IsLzma2(const PackedHeader& h) { return h.idSize == 1 && h.id[0] == 0x21; }

// Unpacks a compressed header with its LZMA or LZMA2 coder into exactly `h.unpackSize` bytes.
// The dictionary is cut to the header's size: the decoder never looks back past what it wrote.
bool UnpackHeader(const PackedHeader& h, const unsigned char* packed, std::vector<unsigned char>* out) {
  lzma_filter filters[2] = {{IsLzma(h) ? LZMA_FILTER_LZMA1 : LZMA_FILTER_LZMA2, nullptr},
                            {LZMA_VLI_UNKNOWN, nullptr}};
  if (lzma_properties_decode(&filters[0], nullptr, h.props, static_cast<size_t>(h.propsSize)) != LZMA_OK)
    return false;
  auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
  options->dict_size = static_cast<uint32_t>(
      std::clamp<uint64_t>(h.unpackSize, LZMA_DICT_SIZE_MIN, std::max<uint64_t>(options->dict_size, LZMA_DICT_SIZE_MIN)));
  lzma_stream stream = LZMA_STREAM_INIT;
  const lzma_ret started = lzma_raw_decoder(&stream, filters);
  std::free(filters[0].options);
  if (started != LZMA_OK) return false;

  out->assign(static_cast<size_t>(h.unpackSize), 0);
  stream.next_in = packed;
  stream.avail_in = static_cast<size_t>(h.packSize);
  stream.next_out = out->data();
  stream.avail_out = out->size();
  // Everything is in memory: one run decodes all it can, a finish tells a short stream from a cut.
  for (lzma_action action : {LZMA_RUN, LZMA_FINISH}) {
    if (stream.avail_out == 0) break;
    if (lzma_code(&stream, action) != LZMA_OK) break;
  }
  const bool whole = stream.avail_out == 0;
  lzma_end(&stream);
  return whole;
}

// A compressed header: the streams record after its id says where the packed header lies and how
// it is packed; unpacked, it must be a plain header within the limits.
ArchiveVerdict CheckEncodedHeader(const unsigned char* archive, size_t size, const unsigned char* start,
                                  size_t length, const ArchiveLimits& limits) {
  PackedHeader packed;
  HeaderWalk walk(start, length, limits);
  const ArchiveVerdict outer = walk.EncodedHeader(&packed);
  if (outer != ArchiveVerdict::kSound) return outer;
  if (packed.packStreams != 1 || packed.folders != 1 || packed.coders != 1 || !packed.simpleCoder ||
      !(IsLzma(packed) || IsLzma2(packed)))
    return ArchiveVerdict::kUnfollowed;
  if (packed.unpackSize > limits.maxHeaderBytes) return ArchiveVerdict::kTooDemanding;
  const uint64_t room = size - 32;
  if (packed.packPosition > room || packed.packSize > room - packed.packPosition) return ArchiveVerdict::kDamaged;

  std::vector<unsigned char> unpacked;
  if (!UnpackHeader(packed, archive + 32 + packed.packPosition, &unpacked)) return ArchiveVerdict::kDamaged;
  if (packed.crcDefined && crc32_z(0, unpacked.data(), unpacked.size()) != packed.crc)
    return ArchiveVerdict::kDamaged;
  if (unpacked.empty()) return ArchiveVerdict::kDamaged;
  if (unpacked[0] == kEncodedHeader) return ArchiveVerdict::kUnfollowed;
  if (unpacked[0] != kHeader) return ArchiveVerdict::kDamaged;
  return HeaderWalk(unpacked.data() + 1, unpacked.size() - 1, limits).Header();
}

}  // namespace

ArchiveVerdict CheckArchiveHeaders(const void* data, size_t size, const ArchiveLimits& limits) {
  const auto* p = static_cast<const unsigned char*>(data);
  if (p == nullptr || !StartHeaderIsSound(p, size)) return ArchiveVerdict::kDamaged;
  const size_t offset = static_cast<size_t>(LittleEndian(p + 12, 8));
  const size_t length = static_cast<size_t>(LittleEndian(p + 20, 8));
  if (length == 0) return ArchiveVerdict::kSound;  // an archive without files
  const unsigned char* header = p + 32 + offset;
  if (header[0] == kHeader) return HeaderWalk(header + 1, length - 1, limits).Header();
  if (header[0] == kEncodedHeader)
    return CheckEncodedHeader(p, size, header + 1, length - 1, limits);
  return ArchiveVerdict::kDamaged;
}

}  // namespace SkinUI
