#pragma once
// Decodes one posted analytics batch: the form body "data_list=<percent-encoded Base64 of the
// gzip of a JSON array>&gzip=1" becomes the array's records, each a JSON object.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Peers {

// The decoded text may not grow beyond this (a small body can inflate to gigabytes).
inline constexpr size_t kMaxBatchText = 16 << 20;

struct DecodedBatch {
  std::vector<std::string> records;  // each a compact one-line JSON object
  std::string error;                 // why the body was refused; empty when it was accepted
};

// Standard Base64 with "=" padding to a multiple of four characters; nothing on any other input.
std::optional<std::string> DecodeBase64(std::string_view text);
// One gzip member, nothing after it; nothing when corrupt, truncated or larger than `limit`.
std::optional<std::string> Gunzip(std::string_view bytes, size_t limit, std::string* error);

DecodedBatch DecodeBatchBody(std::string_view body);

}  // namespace Peers
