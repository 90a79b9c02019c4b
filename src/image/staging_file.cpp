#include "image/staging_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "operator/messages.h"
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

 private:
  int fd_;
};

std::error_code LastError() { return {errno, std::generic_category()}; }

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
int OpenPrivateDirectory(const std::filesystem::path& directory, const std::filesystem::path& file,
                         std::string& failure) {
  MakeDirectories(directory);
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    failure = errno == ELOOP ? WriteFailureText(file, msg::DirectoryIsLink) : WriteFailureText(file, LastError());
    return -1;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || status.st_uid != ::geteuid()) {
    ::close(fd);
    failure = WriteFailureText(file, msg::DirectoryOfAnotherUser);
    return -1;
  }
  if ((status.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0) {
    failure = WriteFailureText(file, LastError());
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

StagingFile StagingFile::InCacheDirectory() { return StagingFile(AppPaths::FromEnvironment().cacheDir); }

bool StagingFile::Write(std::span<const std::uint8_t> bytes, std::string& failure) const {
  const Descriptor directory(OpenPrivateDirectory(directory_, Path(), failure));
  if (directory.Get() < 0) {
    return false;
  }
  // Nobody else can plant a link here, so one that stands here means something is amiss
  // that the operator should look at rather than have quietly replaced.
  struct stat existing {};
  if (::fstatat(directory.Get(), FileName, &existing, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(existing.st_mode)) {
    failure = WriteFailureText(Path(), msg::LinkInTheWay);
    return false;
  }
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (const std::error_code error = ReplaceInDirectory(directory.Get(), FileName, text, {})) {
    failure = WriteFailureText(Path(), error);
    return false;
  }
  return true;
}

}  // namespace quillon
