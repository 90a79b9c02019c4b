#include "ui/file_digest.h"

#include <openssl/evp.h>

#include <array>
#include <stdexcept>

#include "settings/regular_file.h"

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

std::optional<std::string> FileSha256(const std::string& path, std::string& failure) {
  // No image the target can hold comes near this; a file past it is not one to digest.
  constexpr std::size_t Largest = std::size_t{64} << 20;
  std::string bytes;
  if (const std::error_code error = ReadRegularFile(path, Largest, bytes)) {
    failure = error.message();
    return std::nullopt;
  }
  return Sha256Hex(bytes);
}

}  // namespace quillon
