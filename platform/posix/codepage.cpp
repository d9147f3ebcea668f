#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <string>

namespace Platform {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool IsUtf8Page(unsigned codePage) { return codePage == kCodePageAnsi || codePage == kCodePageUtf8; }

std::string IconvName(unsigned codePage) { return "CP" + std::to_string(codePage); }

std::wstring DecodeUtf8(std::string_view in) {
  std::wstring out;
  out.reserve(in.size());
  size_t i = 0;
  while (i < in.size()) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    int extra;
    char32_t cp;
    char32_t min;
    if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; min = 0x10000; }
    else { out.push_back(kReplacement); ++i; continue; }
    size_t j = 1;
    for (; j <= static_cast<size_t>(extra); ++j) {
      if (i + j >= in.size()) break;
      const unsigned char cc = static_cast<unsigned char>(in[i + j]);
      if ((cc & 0xC0) != 0x80) break;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (j <= static_cast<size_t>(extra) || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(kReplacement);
      i += j;  // skip the lead byte and the continuation bytes that belonged to it
      continue;
    }
    out.push_back(static_cast<wchar_t>(cp));
    i += extra + 1;
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string EncodeUtf8(std::wstring_view in) {
  std::string out;
  out.reserve(in.size());
  for (wchar_t ch : in) AppendUtf8(out, static_cast<char32_t>(ch));
  return out;
}

// An iconv descriptor owned for one conversion.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (valid()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

std::wstring DecodeWithIconv(std::string_view in, unsigned codePage) {
  Iconv cv("WCHAR_T", IconvName(codePage).c_str());
  if (!cv.valid()) return {};
  std::wstring out;
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  wchar_t buffer[256];
  while (srcLeft > 0) {
    char* dst = reinterpret_cast<char*>(buffer);
    size_t dstLeft = sizeof(buffer);
    const size_t r = iconv(cv.get(), &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, (sizeof(buffer) - dstLeft) / sizeof(wchar_t));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence at the end): replace one byte and go on.
      out.push_back(kReplacement);
      ++src;
      --srcLeft;
      iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::string EncodeWithIconv(std::wstring_view in, unsigned codePage) {
  Iconv cv(IconvName(codePage).c_str(), "WCHAR_T");
  if (!cv.valid()) return {};
  std::string out;
  char* src = reinterpret_cast<char*>(const_cast<wchar_t*>(in.data()));
  size_t srcLeft = in.size() * sizeof(wchar_t);
  char buffer[512];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof(buffer);
    const size_t r = iconv(cv.get(), &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, sizeof(buffer) - dstLeft);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      out.push_back('?');
      src += sizeof(wchar_t);
      srcLeft -= srcLeft >= sizeof(wchar_t) ? sizeof(wchar_t) : srcLeft;
      iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

}  // namespace

std::wstring ToWide(std::string_view bytes, unsigned codePage) {
  if (IsUtf8Page(codePage)) return DecodeUtf8(bytes);
  return DecodeWithIconv(bytes, codePage);
}

std::string FromWide(std::wstring_view text, unsigned codePage) {
  if (IsUtf8Page(codePage)) return EncodeUtf8(text);
  return EncodeWithIconv(text, codePage);
}

bool IsKnownCodePage(unsigned codePage) {
  if (IsUtf8Page(codePage)) return true;
  Iconv cv("WCHAR_T", IconvName(codePage).c_str());
  return cv.valid();
}

}  // namespace Platform
