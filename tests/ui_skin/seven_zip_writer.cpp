#include "tests/ui_skin/seven_zip_writer.h"

#include <lzma.h>
#include <zlib.h>

namespace SkinTest {
namespace {

void PutNumber(std::string* s, uint64_t v) {
  // Leading 1 bits of the first byte count the little-endian bytes after it; the first byte's
  // remaining bits hold the value's highest bits.
  for (int extra = 0; extra < 8; ++extra) {
    if (v < (uint64_t{1} << (7 * (extra + 1)))) {
      s->push_back(static_cast<char>(((0xFF00 >> extra) & 0xFF) | (v >> (8 * extra))));
      for (int i = 0; i < extra; ++i) s->push_back(static_cast<char>(v >> (8 * i)));
      return;
    }
  }
  s->push_back('\xFF');
  for (int i = 0; i < 8; ++i) s->push_back(static_cast<char>(v >> (8 * i)));
}

void PutLittleEndian(std::string* s, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s->push_back(static_cast<char>(v >> (8 * i)));
}

uint32_t Crc(const std::string& bytes) {
  return static_cast<uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

// Raw LZMA with a small dictionary; `props` receives the coder's 5 property bytes.
std::string LzmaPacked(const std::string& bytes, std::string* props) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 0);
  options.dict_size = 1 << 16;
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  uint8_t encoded[5];
  if (lzma_properties_encode(&filters[0], encoded) != LZMA_OK) return {};
  props->assign(reinterpret_cast<const char*>(encoded), 5);
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_raw_encoder(&stream, filters) != LZMA_OK) return {};
  std::string out(bytes.size() + bytes.size() / 2 + 128, '\0');
  stream.next_in = reinterpret_cast<const uint8_t*>(bytes.data());
  stream.avail_in = bytes.size();
  stream.next_out = reinterpret_cast<uint8_t*>(out.data());
  stream.avail_out = out.size();
  const lzma_ret ret = lzma_code(&stream, LZMA_FINISH);
  out.resize(out.size() - stream.avail_out);
  lzma_end(&stream);
  return ret == LZMA_STREAM_END ? out : std::string();
}

// The compressed header record: where the packed header lies (right after `packedData`) and how
// to unpack it.
std::string EncodedHeader(uint64_t packPosition, uint64_t packSize, const std::string& props, uint64_t unpackSize,
                          uint32_t crc) {
  std::string h("\x17\x06", 2);
  PutNumber(&h, packPosition);
  h += "\x01\x09";
  PutNumber(&h, packSize);
  h += std::string("\x00\x07\x0B\x01\x00\x01\x23\x03\x01\x01\x05", 11) + props + "\x0C";
  PutNumber(&h, unpackSize);
  h += "\x0A\x01";
  PutLittleEndian(&h, crc, 4);
  h += std::string("\x00\x00", 2);
  return h;
}

}  // namespace

std::string StoredData(const std::vector<StoredFile>& files) {
  std::string data;
  for (const StoredFile& f : files) data += f.data;
  return data;
}

std::string PlainHeader(const std::vector<StoredFile>& files, HeaderCounts counts) {
  const uint64_t total = StoredData(files).size();
  std::string h("\x01\x04\x06\x00\x01\x09", 6);
  PutNumber(&h, total);
  h += std::string("\x00\x07\x0B\x01\x00\x01\x01\x00\x0C", 9);  // one folder, one copy coder
  PutNumber(&h, total);
  h += std::string("\x00\x08\x0D", 3);
  PutNumber(&h, counts.streams != 0 ? counts.streams : files.size());
  h += "\x09";
  for (size_t i = 0; i + 1 < files.size(); ++i) PutNumber(&h, files[i].data.size());
  h += "\x0A\x01";
  for (const StoredFile& f : files) PutLittleEndian(&h, Crc(f.data), 4);
  h += std::string("\x00\x00\x05", 3);  // ends the substreams and the streams record
  PutNumber(&h, counts.files != 0 ? counts.files : files.size());
  std::string names(1, '\0');  // not external
  for (const StoredFile& f : files) {
    for (char c : f.name) names += std::string{c, '\0'};
    names += std::string(2, '\0');
  }
  h += "\x11";
  PutNumber(&h, names.size());
  h += names;
  h += std::string("\x00\x00", 2);  // ends the files record and the header
  return h;
}

std::string SevenZipArchive(const std::string& packedData, const std::string& header, HeaderPacking packing) {
  std::string body = packedData, next = header;
  if (packing.compressed) {
    std::string props;
    const std::string packed = LzmaPacked(header, &props);
    const uint32_t crc = Crc(header) ^ (packing.wrongCheckSum ? 1u : 0u);
    next = EncodedHeader(body.size(), packed.size(), props,
                         packing.claimedSize != 0 ? packing.claimedSize : header.size(), crc);
    body += packed;
  }
  std::string tail;
  PutLittleEndian(&tail, body.size(), 8);
  PutLittleEndian(&tail, next.size(), 8);
  PutLittleEndian(&tail, Crc(next), 4);
  std::string archive("7z\xBC\xAF\x27\x1C\x00\x04", 8);
  PutLittleEndian(&archive, Crc(tail), 4);
  return archive + tail + body + next;
}

}  // namespace SkinTest
