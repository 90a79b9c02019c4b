#include "image/staging_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>

#include "settings/app_paths.h"
#include "settings/atomic_file.h"

namespace quillon {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int Get() const { return fd_; }
  // Closing reports the errors of writes the kernel had deferred.
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

 private:
  int fd_;
};

std::string SystemFailure(std::string_view what, const std::filesystem::path& path) {
  return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}

// Parents are made 0700 as well, as a cache directory that did not exist yet should be.
void MakeDirectories(const std::filesystem::path& directory) {
  std::filesystem::path partial;
  for (const std::filesystem::path& part : directory) {
    partial /= part;
    ::mkdir(partial.c_str(), 0700);
  }
}

// Links above the directory are the user's own business; the directory itself must be a
// real one, this user's, and closed to everyone else.
int OpenPrivateDirectory(const std::filesystem::path& directory, std::string& failure) {
  MakeDirectories(directory);
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    failure = SystemFailure("cannot open the directory", directory);
    return -1;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || status.st_uid != ::geteuid()) {
    ::close(fd);
    failure = "the directory " + directory.string() + " belongs to another user";
    return -1;
  }
  if ((status.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0) {
    failure = SystemFailure("cannot close to others the directory", directory);
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

StagingFile StagingFile::InCacheDirectory() { return StagingFile(AppPaths::FromEnvironment().cacheDir); }

bool StagingFile::Write(std::span<const std::uint8_t> bytes, std::string& failure) const {
  const Descriptor directory(OpenPrivateDirectory(directory_, failure));
  if (directory.Get() < 0) {
    return false;
  }
  Descriptor file(::openat(directory.Get(), FileName, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (file.Get() < 0) {
    failure = SystemFailure("cannot create", Path());
    return false;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!WriteAll(file.Get(), text) || !file.Close()) {
    failure = SystemFailure("cannot write", Path());
    return false;
  }
  return true;
}

}  // namespace quillon
