#include "ui/file_digest.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

namespace quillon {

std::string Sha256Hex(std::string_view bytes) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest;
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("cannot compute a SHA-256");
  }
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    constexpr char Digits[] = "0123456789abcdef";
    hex += Digits[digest[i] >> 4];
    hex += Digits[digest[i] & 0x0F];
  }
  return hex;
}

}  // namespace quillon
