#pragma once
// Checks a 7z archive's headers before the reader library sees them.
//
// The reader reserves what the header's counts say before it checks them against the bytes that
// follow, and its decoders reserve the dictionary an archive asks for before they read a byte, so
// a few hundred forged bytes can make it reserve gigabytes. This check walks the whole header
// (unpacking a compressed header itself, within limits) and refuses an archive whose start header
// or header is damaged, whose counts exceed what a skin can hold, or whose header it cannot follow.

#include <cstddef>
#include <cstdint>

namespace SkinUI {

struct ArchiveLimits {
  uint64_t maxItems;          // files, folders of packed data, unpacked streams
  uint64_t maxDictionary;     // bytes an LZMA or LZMA2 decoder may ask for
  uint64_t maxHeaderBytes;    // the unpacked size of a compressed header
};

enum class ArchiveVerdict {
  kSound,         // the reader may parse it
  kDamaged,       // a check sum fails, a record is cut short or a size points outside the archive
  kTooDemanding,  // a count, a dictionary or the header's size is beyond the limits
  kUnfollowed,    // records or a header packing this check does not know (a skin never has them)
};

ArchiveVerdict CheckArchiveHeaders(const void* data, size_t size, const ArchiveLimits& limits);

}  // namespace SkinUI
