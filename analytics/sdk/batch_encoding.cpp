#include "analytics/sdk/batch_encoding.h"

#include <zlib.h>

#include <iostream>

namespace usage_analytics {
namespace {

constexpr int kGzipWindowBits = 31;  // 15 bits of window, plus 16 for the gzip wrapper
constexpr int kMemoryLevel = 8;
constexpr size_t kChunkBytes = 32768;

}  // namespace

std::optional<std::string> GzipCompress(std::string_view data) {
  z_stream stream{};
  if (deflateInit2(&stream, 9, Z_DEFLATED, kGzipWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK) {
    std::cerr << "deflateInit2 failed while compressing." << std::endl;
    return std::nullopt;
  }
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());

  std::string result;
  char chunk[kChunkBytes];
  int status = Z_OK;
  do {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof(chunk);
    status = deflate(&stream, Z_FINISH);
    result.append(chunk, sizeof(chunk) - stream.avail_out);
  } while (status == Z_OK);
  const char* message = stream.msg;
  deflateEnd(&stream);

  if (status != Z_STREAM_END) {
    std::cerr << "Exception during zlib compression: (" << status << ") " << (message ? message : "") << std::endl;
    return std::nullopt;
  }
  return result;
}

std::string Base64Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t n = static_cast<uint8_t>(bytes[i]) << 16 | static_cast<uint8_t>(bytes[i + 1]) << 8 |
                       static_cast<uint8_t>(bytes[i + 2]);
    out += kAlphabet[n >> 18 & 63];
    out += kAlphabet[n >> 12 & 63];
    out += kAlphabet[n >> 6 & 63];
    out += kAlphabet[n & 63];
  }
  const size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
    if (rest == 2) n |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    out += kAlphabet[n >> 18 & 63];
    out += kAlphabet[n >> 12 & 63];
    out += rest == 2 ? kAlphabet[n >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

std::string PercentEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
    if (unreserved) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

std::optional<std::string> EncodeBatchBody(std::string_view batch) {
  const std::optional<std::string> compressed = GzipCompress(batch);
  if (!compressed) return std::nullopt;
  return "data_list=" + PercentEncode(Base64Encode(*compressed)) + "&gzip=1";
}

}  // namespace usage_analytics
