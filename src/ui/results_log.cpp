#include "ui/results_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon {

std::unique_ptr<ResultsLog> ResultsLog::Open(const std::string& path, std::string& failure) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    failure = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<ResultsLog>(new ResultsLog(fd, path));
}

ResultsLog::~ResultsLog() { ::close(fd_); }

// A line written in two parts could have another writer's line between them, so a short
// write is a failure rather than something to finish.
bool ResultsLog::Append(std::string_view line, std::string& failure) {
  const std::string whole = std::string(line) + "\n";
  ssize_t written = 0;
  do {
    written = ::write(fd_, whole.data(), whole.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) {
    failure = std::strerror(errno);
    return false;
  }
  if (static_cast<std::size_t>(written) != whole.size()) {
    failure = "only part of the line was written";
    return false;
  }
  return true;
}

}  // namespace quillon
