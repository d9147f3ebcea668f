// The expected digest taken from a final URL, on arbitrary URLs.
//
// Property: the answer is exactly the text between the last two "/" of the URL, so it holds no
// "/" and the URL ends with it, a "/" and the file part after it.

#include <cstdint>
#include <string>

#include "download/file_digest.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  const std::string digest = GetUrlMd5(url);
  FUZZ_CHECK(digest.find('/') == std::string::npos);
  const size_t last = url.rfind('/');
  if (last == std::string::npos || last == 0 || url.rfind('/', last - 1) == std::string::npos) {
    FUZZ_CHECK(digest.empty());
    return 0;
  }
  FUZZ_CHECK(digest.size() < last);
  FUZZ_CHECK(url.compare(last - digest.size(), digest.size(), digest) == 0);
  FUZZ_CHECK(url[last - digest.size() - 1] == '/');
  return 0;
}
