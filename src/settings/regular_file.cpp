#include "settings/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "settings/file_refusal.h"

namespace quillon {

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

}  // namespace

int OpenRegularFile(const std::filesystem::path& file, std::error_code& error) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = LastError();
    return -1;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    error = LastError();
  } else if (S_ISDIR(status.st_mode)) {
    error = std::make_error_code(std::errc::is_a_directory);
  } else if (!S_ISREG(status.st_mode)) {
    error = MakeRefusal(FileRefusal::NotRegular);
  } else {
    error.clear();
    return fd;
  }
  ::close(fd);
  return -1;
}

std::error_code ReadToEnd(int fd, std::size_t limit, std::string& bytes) {
  bytes.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return LastError();
    }
    if (bytes.size() + static_cast<std::size_t>(got) > limit) {
      return std::make_error_code(std::errc::file_too_large);
    }
    if (got == 0) {
      return {};
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

std::error_code ReadRegularFile(const std::filesystem::path& file, std::size_t limit, std::string& bytes) {
  std::error_code error;
  const int fd = OpenRegularFile(file, error);
  if (fd < 0) {
    return error;
  }
  error = ReadToEnd(fd, limit, bytes);
  ::close(fd);
  return error;
}

}  // namespace quillon
