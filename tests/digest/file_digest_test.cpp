#include "download/file_digest.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

class DigestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-digest-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::filesystem::path dir_;
};

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator());
  return bytes;
}

// What coreutils says, for files whose digest is not written down here.
std::string Md5sumOf(const std::string& path) {
  FILE* pipe = ::popen(("md5sum '" + path + "'").c_str(), "r");
  char line[128] = {};
  const bool read = pipe && std::fgets(line, sizeof(line), pipe);
  if (pipe) ::pclose(pipe);
  return read ? std::string(line, 32) : "";
}

TEST_F(DigestTest, FileDigestMatchesTheReferenceValues) {
  struct Case {
    const char* name;
    std::string content;
    std::string expected;  // empty: ask md5sum
  } cases[] = {
      // The test suite of RFC 1321.
      {"empty", "", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message", "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"alphabet", "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"alphanumeric", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"digits", "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      // Sizes around the read piece and odd lengths, with zero bytes inside.
      {"r1023", RandomBytes(1023, 1), ""},
      {"r1025", RandomBytes(1025, 2), ""},
      {"r262143", RandomBytes(256 * 1024 - 1, 3), ""},
      {"r262145", RandomBytes(256 * 1024 + 1, 4), ""},
      {"r3000017", RandomBytes(3000017, 5), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = WriteFile(c.name, c.content);
    const std::string expected = c.expected.empty() ? Md5sumOf(path) : c.expected;
    ASSERT_EQ(expected.size(), 32u);
    EXPECT_EQ(GetFileMd5(path), expected);
  }
}

TEST_F(DigestTest, FileThatCannotBeReadHasNoDigest) {
  EXPECT_EQ(GetFileMd5(""), "");
  EXPECT_EQ(GetFileMd5((dir_ / "missing.exe").string()), "");
  // A directory opens on POSIX but cannot be read: no digest rather than the empty input's.
  EXPECT_EQ(GetFileMd5(dir_.string()), "");
}

TEST(UrlDigestTest, DigestIsTheNextToLastPathSegment) {
  struct Case {
    const char* url;
    const char* expected;
  } cases[] = {
      {"http://127.0.0.1:8080/0123456789abcdef0123456789abcdef/Quorvane_setup.exe",
       "0123456789abcdef0123456789abcdef"},
      {"http://host/a/0123456789abcdef0123456789abcdef/", "0123456789abcdef0123456789abcdef"},
      {"http://host/setup.exe", "host"},
      {"http://host/dir/file.exe?from=/x", "file.exe?from="},
      {"http://host", ""},
      {"no-slash", ""},
      {"/only-one", ""},
      {"a//b", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(GetUrlMd5(c.url), c.expected) << c.url;
}

}  // namespace
