#include "platform/md5.h"

#include <openssl/evp.h>

namespace Platform {
namespace {

EVP_MD_CTX* Context(void* context) { return static_cast<EVP_MD_CTX*>(context); }

}  // namespace

Md5::Md5() {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  if (context && EVP_DigestInit_ex(context, EVP_md5(), nullptr) != 1) {
    EVP_MD_CTX_free(context);
    context = nullptr;
  }
  context_ = context;
}

Md5::~Md5() { EVP_MD_CTX_free(Context(context_)); }

bool Md5::Update(const void* data, size_t size) {
  return context_ && !finished_ && EVP_DigestUpdate(Context(context_), data, size) == 1;
}

bool Md5::Final(Digest& digest) {
  if (!context_ || finished_) return false;
  finished_ = true;
  unsigned int length = 0;
  return EVP_DigestFinal_ex(Context(context_), digest.data(), &length) == 1 && length == digest.size();
}

}  // namespace Platform
