#pragma once
// MD5 (RFC 1321) of a stream of bytes fed in pieces.

#include <array>
#include <cstddef>
#include <cstdint>

namespace Platform {

class Md5 {
 public:
  using Digest = std::array<uint8_t, 16>;

  Md5();
  ~Md5();
  Md5(const Md5&) = delete;
  Md5& operator=(const Md5&) = delete;

  // False when the digest cannot be computed (the library failed); the object is then unusable.
  bool Update(const void* data, size_t size);
  // Finishes the digest; afterwards the object takes no more bytes.
  bool Final(Digest& digest);

 private:
  void* context_ = nullptr;  // the library's context; null when it could not be made
  bool finished_ = false;
};

}  // namespace Platform
