#include "settings/atomic_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

#include "operator/formatted.h"
#include "operator/messages.h"
#include "settings/file_refusal.h"

namespace quillon {

namespace {

constexpr int NameAttempts = 16;
// How long a FIFO or a device may take no bytes before the write gives up on it.
constexpr int StallLimitMs = 3000;

std::error_code LastError() { return {errno, std::generic_category()}; }

std::filesystem::path DirectoryOf(const std::filesystem::path& file) {
  return file.parent_path().empty() ? "." : file.parent_path();
}

// O_EXCL never opens what is already there, so a link planted at the name is not followed.
int CreateBeside(int directory, const std::string& name, mode_t bits, std::string& hidden) {
  std::random_device seed;
  std::uniform_int_distribution<unsigned> suffix(0, 0xFFFFFF);
  for (int attempt = 0; attempt < NameAttempts; ++attempt) {
    char tail[16];
    std::snprintf(tail, sizeof tail, ".%06x", suffix(seed));
    // Appended, not "." + name: GCC 12 at -O3 warns wrongly of overlapping copies there.
    std::string candidate = ".";
    candidate += name;
    candidate += tail;
    const int fd = ::openat(directory, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, bits);
    if (fd >= 0 || errno != EEXIST) {
      hidden = std::move(candidate);
      return fd;
    }
  }
  return -1;
}

std::error_code WriteDurably(int fd, std::string_view bytes, FilePermissions permissions) {
  if (const std::error_code error = WriteAll(fd, bytes)) {
    return error;
  }
  if ((permissions.exact && ::fchmod(fd, permissions.bits & 07777) != 0) || ::fsync(fd) != 0) {
    return LastError();
  }
  return {};
}

}  // namespace

std::error_code WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
    } else if (written == 0) {
      return std::make_error_code(std::errc::io_error);
    } else if (errno == EAGAIN) {
      pollfd ready{fd, POLLOUT, 0};
      const int polled = ::poll(&ready, 1, StallLimitMs);
      if (polled == 0) {
        return MakeRefusal(FileRefusal::Stalled);
      }
      if (polled < 0 && errno != EINTR) {
        return LastError();
      }
    } else if (errno != EINTR) {
      return LastError();
    }
  }
  return {};
}

std::error_code EnsurePrivateDirectory(const std::filesystem::path& directory) {
  std::error_code error;
  if (std::filesystem::is_directory(directory, error)) {
    return {};
  }
  if (directory.has_parent_path()) {
    std::filesystem::create_directories(directory.parent_path(), error);
  }
  if (::mkdir(directory.c_str(), 0700) == 0 || (errno == EEXIST && std::filesystem::is_directory(directory, error))) {
    return {};
  }
  return errno == EEXIST ? std::make_error_code(std::errc::not_a_directory) : LastError();
}

std::error_code ReplaceInDirectory(int directory, const std::string& name, std::string_view bytes,
                                   FilePermissions permissions) {
  std::string hidden;
  const int fd = CreateBeside(directory, name, permissions.bits, hidden);
  if (fd < 0) {
    return LastError();
  }
  std::error_code error = WriteDurably(fd, bytes, permissions);
  // Closing reports the errors of writes the kernel had deferred.
  if (::close(fd) != 0 && !error) {
    error = LastError();
  }
  if (!error && ::renameat(directory, hidden.c_str(), directory, name.c_str()) != 0) {
    error = LastError();
  }
  if (error) {
    ::unlinkat(directory, hidden.c_str(), 0);
    return error;
  }
  ::fsync(directory);
  return {};
}

std::error_code WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                                    FilePermissions permissions) {
  const int directory = ::open(DirectoryOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory < 0) {
    return LastError();
  }
  const std::error_code error = ReplaceInDirectory(directory, file.filename().string(), bytes, permissions);
  ::close(directory);
  return error;
}

std::string WriteFailureText(const std::filesystem::path& file, std::string_view reason) {
  return Formatted(msg::CannotWriteNamedFileFormat, file.c_str(), std::string(reason).c_str());
}

std::string WriteFailureText(const std::filesystem::path& file, std::error_code error) {
  return WriteFailureText(file, error.message());
}

}  // namespace quillon
