#include "image/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "settings/atomic_file.h"

namespace quillon {

namespace {

// As many links as the kernel itself follows in one path before it gives up.
constexpr int MaxLinkHops = 40;

std::error_code LastError() { return {errno, std::generic_category()}; }

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
std::error_code WriteInPlace(const std::filesystem::path& file, std::string_view bytes) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return LastError();
  }
  std::error_code error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && !error) {
    error = LastError();
  }
  return error;
}

}  // namespace

std::error_code ReplaceFile(const std::filesystem::path& file, std::string_view bytes) {
  const std::optional<std::filesystem::path> target = LinkTarget(file);
  if (!target) {
    return std::make_error_code(std::errc::too_many_symbolic_link_levels);
  }
  if (!target->has_filename()) {
    return std::make_error_code(std::errc::is_a_directory);
  }
  struct stat existing {};
  if (::stat(target->c_str(), &existing) != 0) {
    return errno == ENOENT ? WriteFileAtomically(*target, bytes, {0666, false}) : LastError();
  }
  if (!S_ISREG(existing.st_mode)) {
    return WriteInPlace(*target, bytes);
  }
  return WriteFileAtomically(*target, bytes, {existing.st_mode, true});
}

}  // namespace quillon
