#pragma once
// How a batch travels: the JSON array gzip-compressed (zlib, level 9, gzip wrapper), Base64
// encoded, percent-encoded and put into the form body "data_list=...&gzip=1".

#include <optional>
#include <string>
#include <string_view>

namespace usage_analytics {

// The gzip stream of `data`, or nothing when zlib fails (the reason goes to standard error).
std::optional<std::string> GzipCompress(std::string_view data);
// Standard alphabet, "=" padding to a multiple of four characters.
std::string Base64Encode(std::string_view bytes);
// Letters, digits and "-._~" stay; every other byte becomes "%" and two upper-case hex digits.
std::string PercentEncode(std::string_view text);
// The whole form body for one batch, or nothing when compression failed.
std::optional<std::string> EncodeBatchBody(std::string_view batch);

}  // namespace usage_analytics
