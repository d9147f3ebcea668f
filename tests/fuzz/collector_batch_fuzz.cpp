// The collector's body decoder on arbitrary bodies, and on arbitrary batch texts that arrive
// properly packed (gzip, Base64, percent-encoding, as the installer sends them) or packed without
// gzip, so the fuzzer reaches the JSON part as well as the layers around it.
//
// Input: byte 0 picks how the rest is sent: as the whole body, packed, or packed without gzip.
// Properties: a refused body carries its reason and no records; an accepted one gives one
// compact JSON object a record, and exactly as many as the array it came from holds.

#include <json/json.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "analytics/sdk/batch_encoding.h"
#include "tests/fuzz/fuzz_check.h"
#include "tools/collector/batch_decoder.h"

namespace {

std::optional<Json::Value> StrictJson(std::string_view text) {
  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  try {
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) return std::nullopt;
  } catch (const Json::Exception&) {  // nested beyond the reader's depth limit
    return std::nullopt;
  }
  return root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int how = data[0] % 3;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);

  std::string body;
  if (how == 0) {
    body = rest;
  } else if (how == 1) {
    const std::optional<std::string> packed = usage_analytics::EncodeBatchBody(rest);
    FUZZ_CHECK(packed.has_value());
    body = *packed;
  } else {
    body = "data_list=" + usage_analytics::PercentEncode(usage_analytics::Base64Encode(rest)) + "&gzip=0";
  }

  const Peers::DecodedBatch batch = Peers::DecodeBatchBody(body);
  if (!batch.error.empty()) {
    FUZZ_CHECK(batch.records.empty());
    return 0;
  }
  for (const std::string& record : batch.records) {
    FUZZ_CHECK(record.find('\n') == std::string::npos);
    const std::optional<Json::Value> parsed = StrictJson(record);
    FUZZ_CHECK(parsed && parsed->isObject());
  }
  if (how != 0 && !rest.empty()) {
    const std::optional<Json::Value> sent = StrictJson(rest);
    FUZZ_CHECK(sent && sent->isArray() && sent->size() == batch.records.size());
  }
  return 0;
}
