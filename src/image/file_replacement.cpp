#include "image/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <system_error>

#include "settings/atomic_file.h"

namespace quillon {

namespace {

constexpr int NameAttempts = 16;
// As many links as the kernel itself follows in one path before it gives up.
constexpr int MaxLinkHops = 40;

// O_EXCL never opens what is already there, so a link planted at the name is not followed.
int CreateBeside(const std::filesystem::path& file, std::string& name) {
  std::random_device seed;
  std::uniform_int_distribution<unsigned> suffix(0, 0xFFFFFF);
  for (int attempt = 0; attempt < NameAttempts; ++attempt) {
    char tail[16];
    std::snprintf(tail, sizeof tail, ".%06x", suffix(seed));
    // Appended, not "." + name: GCC 12 at -O3 warns wrongly of overlapping copies there.
    std::string hidden = ".";
    hidden += file.filename().string();
    hidden += tail;
    name = (file.parent_path() / hidden).string();
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0 || errno != EEXIST) {
      return fd;
    }
  }
  return -1;
}

// The file a chain of links ends at, which need not exist yet: the operator who names a
// link means the file behind it, and the link itself is to stay.
std::optional<std::filesystem::path> LinkTarget(std::filesystem::path file) {
  for (int hop = 0; hop < MaxLinkHops; ++hop) {
    std::error_code error;
    if (!std::filesystem::is_symlink(file, error)) {
      return file;
    }
    const std::filesystem::path target = std::filesystem::read_symlink(file, error);
    if (error) {
      return std::nullopt;
    }
    file = file.parent_path() / target;
  }
  return std::nullopt;
}

// A device or a FIFO has no content to replace, only bytes to take; a write it refuses,
// as a full device does, is a failure like any other.
bool WriteInPlace(const std::filesystem::path& file, std::string_view bytes) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  const bool written = WriteAll(fd, bytes);
  return ::close(fd) == 0 && written;
}

bool ReplaceRegularFile(const std::filesystem::path& file, std::string_view bytes, std::optional<mode_t> mode) {
  std::string temporary;
  const int fd = CreateBeside(file, temporary);
  if (fd < 0) {
    return false;
  }
  bool written = WriteAll(fd, bytes) && (!mode || ::fchmod(fd, *mode & 07777) == 0) && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (!written || std::rename(temporary.c_str(), file.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncDirectoryOf(file);
  return true;
}

}  // namespace

bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes) {
  const std::optional<std::filesystem::path> target = LinkTarget(file);
  if (!target || !target->has_filename()) {
    return false;
  }
  struct stat existing {};
  if (::stat(target->c_str(), &existing) != 0) {
    return errno == ENOENT && ReplaceRegularFile(*target, bytes, std::nullopt);
  }
  if (!S_ISREG(existing.st_mode)) {
    return WriteInPlace(*target, bytes);
  }
  return ReplaceRegularFile(*target, bytes, existing.st_mode);
}

}  // namespace quillon
