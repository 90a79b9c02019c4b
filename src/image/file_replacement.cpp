#include "image/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

namespace quillon {

namespace {

constexpr int NameAttempts = 16;

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
    } else if (written == 0 || errno != EINTR) {
      return false;
    }
  }
  return true;
}

// O_EXCL never opens what is already there, so a link planted at the name is not followed.
int CreateBeside(const std::filesystem::path& file, std::string& name) {
  std::random_device seed;
  std::uniform_int_distribution<unsigned> suffix(0, 0xFFFFFF);
  for (int attempt = 0; attempt < NameAttempts; ++attempt) {
    char tail[16];
    std::snprintf(tail, sizeof tail, ".%06x", suffix(seed));
    name = (file.parent_path() / ("." + file.filename().string() + tail)).string();
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0 || errno != EEXIST) {
      return fd;
    }
  }
  return -1;
}

}  // namespace

bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes) {
  if (!file.has_filename()) {
    return false;
  }
  std::string temporary;
  const int fd = CreateBeside(file, temporary);
  if (fd < 0) {
    return false;
  }
  struct stat existing {};
  const bool keepMode = ::stat(file.c_str(), &existing) == 0;
  bool written = WriteAll(fd, bytes) && (!keepMode || ::fchmod(fd, existing.st_mode & 07777) == 0) && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (!written || std::rename(temporary.c_str(), file.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace quillon
