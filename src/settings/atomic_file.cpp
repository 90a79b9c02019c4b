#include "settings/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

namespace quillon {

namespace {

std::filesystem::path DirectoryOf(const std::filesystem::path& file) {
  return file.parent_path().empty() ? "." : file.parent_path();
}

}  // namespace

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

void SyncDirectoryOf(const std::filesystem::path& file) {
  const int fd = ::open(DirectoryOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

bool EnsurePrivateDirectory(const std::filesystem::path& directory) {
  std::error_code error;
  if (std::filesystem::is_directory(directory, error)) {
    return true;
  }
  if (directory.has_parent_path()) {
    std::filesystem::create_directories(directory.parent_path(), error);
  }
  return ::mkdir(directory.c_str(), 0700) == 0 || (errno == EEXIST && std::filesystem::is_directory(directory, error));
}

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
  // mkostemp creates the name exclusively, so nothing planted there can be followed.
  // Appended, not "." + name: GCC 12 at -O3 warns wrongly of overlapping copies there.
  std::string hidden = ".";
  hidden += file.filename().string();
  hidden += ".XXXXXX";
  std::string temporary = (DirectoryOf(file) / hidden).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), file.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncDirectoryOf(file);
  return true;
}

}  // namespace quillon
