// The wire form of a batch: gzip stream, Base64, percent-encoding and the form body.

#include "analytics/sdk/batch_encoding.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace usage_analytics {
namespace {

// Inflates a gzip stream the way a collector would.
std::string Gunzip(const std::string& compressed) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, 31), Z_OK);
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  std::string out;
  char chunk[4096];
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof(chunk);
    status = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof(chunk) - stream.avail_out);
  }
  inflateEnd(&stream);
  EXPECT_EQ(status, Z_STREAM_END);
  return out;
}

std::string Base64Decode(const std::string& text) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    if (c == '=') break;
    bits = bits << 6 | static_cast<uint32_t>(alphabet.find(c));
    count += 6;
    if (count >= 8) {
      count -= 8;
      out.push_back(static_cast<char>(bits >> count & 0xFF));
    }
  }
  return out;
}

std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%') {
      out.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

TEST(BatchEncoding, Base64StandardAlphabetWithPadding) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
      {"\xFB\xFF\xBF", "+/+/"},
  };
  for (const auto& [bytes, text] : cases) EXPECT_EQ(Base64Encode(bytes), text) << bytes;
}

TEST(BatchEncoding, PercentEncodingKeepsOnlyUnreservedCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"AZaz09-._~", "AZaz09-._~"},
      {"+/=", "%2B%2F%3D"},
      {" &%", "%20%26%25"},
      {"\xE4\xB8\x8B", "%E4%B8%8B"},
      {std::string(1, '\0'), "%00"},
  };
  for (const auto& [text, encoded] : cases) EXPECT_EQ(PercentEncode(text), encoded);
}

TEST(BatchEncoding, GzipStreamInflatesBackToTheBatch) {
  const std::string batch = "[{\"a\":1},{\"b\":\"\xE5\xAE\x89\xE8\xA3\x85\"}]" + std::string(100000, 'x');
  const auto compressed = GzipCompress(batch);
  ASSERT_TRUE(compressed);
  ASSERT_GE(compressed->size(), 10u);
  EXPECT_EQ(static_cast<unsigned char>((*compressed)[0]), 0x1F);  // gzip wrapper, not zlib or raw
  EXPECT_EQ(static_cast<unsigned char>((*compressed)[1]), 0x8B);
  EXPECT_LT(compressed->size(), 1000u);
  EXPECT_EQ(Gunzip(*compressed), batch);
  EXPECT_EQ(Gunzip(*GzipCompress("")), "");
}

TEST(BatchEncoding, FormBodyDecodesBackAndEndsInEncodedPadding) {
  // Find a batch whose compressed form leaves one byte over a multiple of three... and one with two.
  bool sawOnePad = false, sawTwoPads = false;
  for (int n = 1; n < 40 && !(sawOnePad && sawTwoPads); ++n) {
    const std::string batch = "[" + std::string(static_cast<size_t>(n), '7') + "]";
    const auto body = EncodeBatchBody(batch);
    ASSERT_TRUE(body);
    ASSERT_EQ(body->rfind("data_list=", 0), 0u);
    ASSERT_EQ(body->substr(body->size() - 7), "&gzip=1");
    const std::string value = body->substr(10, body->size() - 17);
    EXPECT_EQ(Gunzip(Base64Decode(PercentDecode(value))), batch);
    const size_t compressedSize = GzipCompress(batch)->size();
    if (compressedSize % 3 == 2) {
      EXPECT_TRUE(value.ends_with("%3D") && !value.ends_with("%3D%3D")) << value;
      sawOnePad = true;
    } else if (compressedSize % 3 == 1) {
      EXPECT_TRUE(value.ends_with("%3D%3D")) << value;
      sawTwoPads = true;
    }
    EXPECT_EQ(value.find_first_of("+/="), std::string::npos);
  }
  EXPECT_TRUE(sawOnePad && sawTwoPads);
}

}  // namespace
}  // namespace usage_analytics
