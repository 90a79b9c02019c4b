#include "image/file_replacement.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>

#include "settings/atomic_file.h"
#include "settings/file_refusal.h"

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

// A reader that leaves a FIFO part-way would end the whole program with SIGPIPE; held off
// for this thread, it leaves the write failing with EPIPE instead, and is then taken back
// so that it never reaches the program once the mask is lifted.
class PipeSignalHeld {
 public:
  PipeSignalHeld() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    wasPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &saved_);
  }
  ~PipeSignalHeld() {
    const timespec now{};
    if (!wasPending_) {
      sigtimedwait(&pipe_, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
  }
  PipeSignalHeld(const PipeSignalHeld&) = delete;
  PipeSignalHeld& operator=(const PipeSignalHeld&) = delete;

 private:
  sigset_t pipe_{};
  sigset_t saved_{};
  bool wasPending_ = false;
};

// A device or a FIFO has no content to replace, only bytes to take; a write it refuses,
// as a full device does, is a failure like any other. Neither is waited for: a FIFO with
// no reader would hold the open until one came.
std::error_code WriteInPlace(const std::filesystem::path& file, bool fifo, std::string_view bytes) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    return fifo && errno == ENXIO ? MakeRefusal(FileRefusal::NoReader) : LastError();
  }
  std::error_code error;
  {
    const PipeSignalHeld held;
    error = WriteAll(fd, bytes);
  }
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
    return WriteInPlace(*target, S_ISFIFO(existing.st_mode), bytes);
  }
  return WriteFileAtomically(*target, bytes, {existing.st_mode, true});
}

}  // namespace quillon
