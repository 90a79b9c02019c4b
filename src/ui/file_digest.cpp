#include "ui/file_digest.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

namespace quillon {

std::optional<std::string> FileSha256(const std::string& path, std::string& failure) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    failure = std::strerror(errno);
    return std::nullopt;
  }
  const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  bool hashing = context != nullptr && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
  std::array<unsigned char, 65536> buffer;
  ssize_t got = 0;
  while (hashing && (got = ::read(fd, buffer.data(), buffer.size())) != 0) {
    if (got < 0 && errno == EINTR) {
      continue;
    }
    hashing = got > 0 && EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(got)) == 1;
  }
  failure = got < 0 ? std::strerror(errno) : "cannot compute its SHA-256";
  ::close(fd);
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest;
  unsigned int length = 0;
  if (!hashing || EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1) {
    return std::nullopt;
  }
  failure.clear();
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    constexpr char Digits[] = "0123456789abcdef";
    hex += Digits[digest[i] >> 4];
    hex += Digits[digest[i] & 0x0F];
  }
  return hex;
}

}  // namespace quillon
