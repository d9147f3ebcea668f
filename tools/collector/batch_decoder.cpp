#include "tools/collector/batch_decoder.h"

#include <json/json.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <sstream>

#include "tools/package-server/peer_http.h"

namespace Peers {
namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

using Fields = std::vector<std::pair<std::string, std::string>>;

size_t CountField(const Fields& fields, std::string_view name) {
  return std::count_if(fields.begin(), fields.end(), [&](const auto& field) { return field.first == name; });
}

std::optional<std::string> FieldValue(const Fields& fields, std::string_view name) {
  for (const auto& [key, text] : fields) {
    if (key == name) return text;
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> ParseRecords(const std::string& text, std::string* error) {
  Json::CharReaderBuilder builder;
  Json::CharReaderBuilder::strictMode(&builder.settings_);
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string problems;
  bool parsed = false;
  try {
    parsed = reader->parse(text.data(), text.data() + text.size(), &root, &problems);
  } catch (const Json::Exception& e) {
    // The reader throws, instead of failing, when arrays and objects nest beyond its depth limit.
    problems = e.what();
  }
  if (!parsed) {
    *error = "not JSON: " + problems;
    return std::nullopt;
  }
  if (!root.isArray()) {
    *error = "not a JSON array";
    return std::nullopt;
  }
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  std::vector<std::string> records;
  for (Json::ArrayIndex i = 0; i < root.size(); ++i) {
    if (!root[i].isObject()) {
      *error = "record " + std::to_string(i) + " is not a JSON object";
      return std::nullopt;
    }
    records.push_back(Json::writeString(writer, root[i]));
  }
  return records;
}

}  // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last = i + 4 == text.size();
    int values[4];
    int padding = 0;
    for (int j = 0; j < 4; ++j) {
      const char c = text[i + j];
      if (c == '=' && last && j >= 2) {
        ++padding;
        values[j] = 0;
        continue;
      }
      if (padding > 0) return std::nullopt;  // data after padding
      values[j] = Base64Value(c);
      if (values[j] < 0) return std::nullopt;
    }
    const uint32_t group = (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | values[3];
    out.push_back(static_cast<char>(group >> 16));
    if (padding < 2) out.push_back(static_cast<char>((group >> 8) & 0xff));
    if (padding < 1) out.push_back(static_cast<char>(group & 0xff));
  }
  return out;
}

std::optional<std::string> Gunzip(std::string_view bytes, size_t limit, std::string* error) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {  // gzip wrapper only
    *error = "cannot start gunzip";
    return std::nullopt;
  }
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  std::string out;
  char chunk[32768];
  int result;
  do {  // Z_OK while there is more to do; Z_BUF_ERROR when the input ended early
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof(chunk);
    result = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof(chunk) - stream.avail_out);
    if (out.size() > limit) {
      inflateEnd(&stream);
      *error = "gzip data inflates beyond " + std::to_string(limit) + " bytes";
      return std::nullopt;
    }
  } while (result == Z_OK);
  const bool complete = result == Z_STREAM_END && stream.avail_in == 0;
  const bool trailing = result == Z_STREAM_END && stream.avail_in != 0;
  inflateEnd(&stream);
  if (!complete) {
    *error = trailing ? "bytes after the gzip data" : "not complete gzip data";
    return std::nullopt;
  }
  return out;
}

DecodedBatch DecodeBatchBody(std::string_view body) {
  DecodedBatch batch;
  // "+" stays "+": the posted text is Base64, which never holds a space, so a "+" that a client
  // did not escape can only be Base64's own.
  const auto fields = ParseFormFields(body, false);
  if (!fields) return {{}, "malformed percent escape in the body"};
  // A field given twice leaves open which one counts: refused.
  if (CountField(*fields, "data_list") != 1) return {{}, "not exactly one data_list field"};
  if (CountField(*fields, "gzip") > 1) return {{}, "more than one gzip field"};
  const std::optional<std::string> data = FieldValue(*fields, "data_list");
  const std::optional<std::string> gzip = FieldValue(*fields, "gzip");
  if (data->empty()) return {{}, "data_list is empty"};
  if (gzip && *gzip != "0" && *gzip != "1") return {{}, "gzip is neither 0 nor 1"};

  std::optional<std::string> bytes = DecodeBase64(*data);
  if (!bytes) return {{}, "data_list is not Base64"};
  std::string text;
  if (gzip.value_or("0") == "1") {
    std::optional<std::string> inflated = Gunzip(*bytes, kMaxBatchText, &batch.error);
    if (!inflated) return batch;
    text = std::move(*inflated);
  } else {
    text = std::move(*bytes);
  }
  std::optional<std::vector<std::string>> records = ParseRecords(text, &batch.error);
  if (records) batch.records = std::move(*records);
  return batch;
}

}  // namespace Peers
